// Writes the demo database that ./run.sh opens when no file is given: tables with
// Japanese names and text, NULLs, a table of 2,500 records so that paging shows,
// and a table with an INTEGER PRIMARY KEY.
#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "db/text_convert.h"

namespace {

bool exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "make_demo_db: %s\n", error ? error : "failed");
        sqlite3_free(error);
        return false;
    }
    return true;
}

const char* const kShops[] = {u8"新宿店", u8"梅田店", u8"札幌店", u8"博多店", u8"名古屋店"};
const char* const kGoods[] = {
    u8"緑茶", u8"ほうじ茶", u8"抹茶ラテ", u8"玄米茶", u8"煎茶ティーバッグ", u8"急須", u8"湯呑み"};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_db <file>\n");
        return 2;
    }
    const std::string path = to_utf8(argv[1]);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "make_demo_db: cannot open %s\n", argv[1]);
        return 1;
    }
    bool ok =
        exec(db, "BEGIN;") &&
        exec(db,
             u8"CREATE TABLE 社員 (社員番号 INTEGER PRIMARY KEY, 氏名 TEXT, 部署 TEXT, "
             u8"入社日 TEXT, 内線 INTEGER, 備考 TEXT);") &&
        exec(db,
             u8"INSERT INTO 社員 VALUES "
             u8"(1001, '山田 太郎', '営業部', '2015-04-01', 2101, NULL),"
             u8"(1002, '佐藤 花子', '経理部', '2017-04-01', 3105, '簿記一級'),"
             u8"(1003, '鈴木 一郎', '開発部', '2019-10-01', NULL, NULL),"
             u8"(1004, '高橋 美咲', '開発部', '2020-04-01', 4410, '在宅勤務'),"
             u8"(1005, '田中 健', '総務部', '2012-04-01', 1002, ''),"
             u8"(1006, 'O''Brien Kate', '海外事業部', '2021-07-15', 5120, "
             u8"'ダブリン出身。日本語と英語の両方で対応できます。'),"
             u8"(1007, '伊藤 さくら', NULL, '2024-04-01', NULL, '研修中');") &&
        exec(db, u8"CREATE TABLE 商品 (商品コード TEXT, 商品名 TEXT, 価格 NUMERIC, 説明 TEXT);") &&
        exec(db,
             u8"INSERT INTO 商品 VALUES "
             u8"('T-001', '緑茶', 480, '静岡県産の一番茶を使った定番の緑茶です。'),"
             u8"('T-002', 'ほうじ茶', 420, '香ばしい焙煎の香りが特徴です。"
             u8"食後の一杯にどうぞ。カフェインは控えめです。'),"
             u8"('T-003', '抹茶ラテ', 560, NULL),"
             u8"('G-101', '急須', 3200, '常滑焼の急須。容量 350ml。"
             u8"茶こしは細かい網目のステンレス製で、深蒸し茶にも向いています。'),"
             u8"('G-102', '湯呑み', 1500, '');") &&
        exec(db,
             u8"CREATE TABLE 売上明細 (日付 TEXT, 店舗 TEXT, 商品 TEXT, 数量 INTEGER, "
             u8"金額 NUMERIC);");
    if (ok) {
        sqlite3_stmt* insert = nullptr;
        ok = sqlite3_prepare_v2(db, u8"INSERT INTO 売上明細 VALUES (?, ?, ?, ?, ?);", -1, &insert,
                                nullptr) == SQLITE_OK;
        for (int i = 0; ok && i < 2500; ++i) {
            char date[16];
            std::snprintf(date, sizeof(date), "2026-%02d-%02d", 1 + i / 250 % 12, 1 + i % 28);
            const int quantity = 1 + (i * 7) % 12;
            sqlite3_bind_text(insert, 1, date, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, kShops[i % 5], -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, kGoods[(i * 3) % 7], -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 4, quantity);
            sqlite3_bind_int(insert, 5, quantity * (400 + (i * 13) % 300));
            ok = sqlite3_step(insert) == SQLITE_DONE;
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }
    ok = ok && exec(db, u8"CREATE TABLE \"注文 明細\" (\"明細 番号\" INTEGER, \"メモ\" TEXT);") &&
         exec(db,
              u8"INSERT INTO \"注文 明細\" VALUES (1, '名前に空白を含むテーブル'), "
              u8"(2, NULL);") &&
         exec(db, "COMMIT;");
    sqlite3_close(db);
    return ok ? 0 : 1;
}
