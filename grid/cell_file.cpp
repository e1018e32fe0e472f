#include "grid/cell_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "db/part_file.h"
#include "db/result_table.h"
#include "db/run_watch.h"
#include "db/sql_text.h"
#include "db/sqlite_handles.h"
#include "db/text_convert.h"
#include "page/record_statements.h"

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr std::size_t kUtf8BomBytes = 3;
constexpr char kSavepoint[] = "SAVEPOINT korv_cell_file;";
constexpr char kRollback[] = "ROLLBACK TO korv_cell_file; RELEASE korv_cell_file;";
constexpr char kRelease[] = "RELEASE korv_cell_file;";

struct BlobCloser {
    void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
};
using Blob = std::unique_ptr<sqlite3_blob, BlobCloser>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

CellFileOutcome outcome_of(CellFileOutcome::Status status) {
    CellFileOutcome outcome;
    outcome.status = status;
    return outcome;
}

CellFileOutcome sql_failure(sqlite3* db) {
    // A value read or bound whole may be more than SQLite can hold at once.
    if ((sqlite3_errcode(db) & 0xFF) == SQLITE_NOMEM) {
        return outcome_of(CellFileOutcome::out_of_memory);
    }
    CellFileOutcome outcome = outcome_of(CellFileOutcome::sql_failed);
    outcome.message = sqlite3_errmsg(db);
    return outcome;
}

std::int64_t length_of(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const std::int64_t length = _ftelli64(file);
    return _fseeki64(file, 0, SEEK_SET) == 0 ? length : -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const std::int64_t length = ftello(file);
    return fseeko(file, 0, SEEK_SET) == 0 ? length : -1;
#endif
}

bool database_is_utf8(sqlite3* db) {
    Statement statement = prepare_statement(db, "PRAGMA encoding;");
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) {
        return false;
    }
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    return name && std::strcmp(name, "UTF-8") == 0;
}

bool is_valid_utf8(const std::string& text) {
    // Reading the bytes as UTF-8 into the code page and back would lose more than
    // it checks; a check of the byte patterns alone is exact.
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1, min = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, min = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, min = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (size - i - 1 < more) {
            return false;
        }
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

// The file's bytes as the text a cell takes (UTF-8); false when they are not
// text in that encoding.
bool text_of_file(std::string& bytes, FileEncoding encoding, std::string& utf8) {
    if (encoding == FileEncoding::shift_jis) {
        return convert_exact(bytes, true, utf8);
    }
    if (bytes.compare(0, kUtf8BomBytes, kUtf8Bom) == 0) {
        bytes.erase(0, kUtf8BomBytes);
    }
    if (!is_valid_utf8(bytes)) {
        return false;
    }
    utf8.swap(bytes);
    return true;
}

// What goes into the file: a value's bytes as they are, or a UTF-8 text in the
// chosen encoding, converted piece by piece between whole characters.
class FileSink {
public:
    FileSink(PartFile& file, bool text, FileEncoding encoding)
        : file_(file), convert_(text && encoding == FileEncoding::shift_jis) {
        if (text && encoding == FileEncoding::utf8_bom) {
            file_.buffer().append(kUtf8Bom, kUtf8BomBytes);
        }
    }

    // False with `status` set when the piece cannot be written.
    bool put(const char* bytes, std::size_t size) {
        if (!convert_) {
            return check(file_.write(bytes, size), CellFileOutcome::file_failed);
        }
        carry_.append(bytes, size);
        const std::size_t whole = whole_utf8_prefix(carry_.data(), carry_.size());
        std::string converted;
        if (!convert_exact(std::string_view(carry_.data(), whole), false, converted)) {
            status = CellFileOutcome::not_representable;
            return false;
        }
        carry_.erase(0, whole);
        return check(file_.write(converted.data(), converted.size()), CellFileOutcome::file_failed);
    }
    // A character cut at the end of the value is no character.
    bool end() {
        if (!carry_.empty()) {
            status = CellFileOutcome::not_representable;
            return false;
        }
        return true;
    }

    CellFileOutcome::Status status = CellFileOutcome::done;

private:
    bool check(bool ok, CellFileOutcome::Status failed) {
        if (!ok) {
            status = failed;
        }
        return ok;
    }

    PartFile& file_;
    bool convert_;
    std::string carry_;
};

// The value in pieces through the incremental I/O. False when the value cannot be
// opened that way (the caller reads it whole instead); otherwise `outcome` holds
// how it ended.
bool save_streamed(sqlite3* db,
                   const CellFileTarget& target,
                   FileSink& sink,
                   const CellFileProgress& progress,
                   CellFileOutcome& outcome) {
    const CellAddress& cell = target.cell;
    if (!cell.has_rowid || target.view) {
        return false;
    }
    sqlite3_blob* opened = nullptr;
    if (sqlite3_blob_open(db, "main", cell.table.c_str(), cell.column.c_str(), cell.rowid, 0,
                          &opened) != SQLITE_OK) {
        sqlite3_blob_close(opened);
        return false;
    }
    Blob blob(opened);
    const std::int64_t total = sqlite3_blob_bytes(blob.get());
    std::vector<char> chunk(kCellFileChunk);
    for (std::int64_t at = 0; at < total;) {
        const int size = static_cast<int>(std::min<std::int64_t>(total - at, kCellFileChunk));
        if (sqlite3_blob_read(blob.get(), chunk.data(), size, static_cast<int>(at)) != SQLITE_OK) {
            outcome = sql_failure(db);
            return true;
        }
        if (!sink.put(chunk.data(), static_cast<std::size_t>(size))) {
            outcome = outcome_of(sink.status);
            return true;
        }
        at += size;
        if (progress) {
            progress(at, total);
        }
        if (run_watch::tick(db)) {
            outcome = outcome_of(CellFileOutcome::stopped);
            return true;
        }
    }
    outcome = outcome_of(sink.end() ? CellFileOutcome::done : sink.status);
    outcome.bytes = total;
    return true;
}

// The value read whole by a statement (a table without row ids, a view, a text
// in a UTF-16 database), written in pieces.
CellFileOutcome save_whole(sqlite3* db,
                           const CellFileTarget& target,
                           bool text,
                           FileSink& sink,
                           const CellFileProgress& progress) {
    const CellAddress& cell = target.cell;
    Statement statement =
        prepare_statement(db, select_value_where_sql(cell.table, cell.column, cell.where()));
    if (!statement) {
        return sql_failure(db);
    }
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_DONE) {
        return outcome_of(CellFileOutcome::missing);
    }
    if (step != SQLITE_ROW) {
        return sql_failure(db);
    }
    const char* bytes = text
                            ? reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0))
                            : static_cast<const char*>(sqlite3_column_blob(statement.get(), 0));
    const std::int64_t total = sqlite3_column_bytes(statement.get(), 0);
    if (!bytes && total > 0) {
        return sql_failure(db);
    }
    for (std::int64_t at = 0; at < total;) {
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::int64_t>(total - at, kCellFileChunk));
        if (!sink.put(bytes + at, size)) {
            return outcome_of(sink.status);
        }
        at += static_cast<std::int64_t>(size);
        if (progress) {
            progress(at, total);
        }
        if (run_watch::tick(db)) {
            return outcome_of(CellFileOutcome::stopped);
        }
    }
    CellFileOutcome outcome = outcome_of(sink.end() ? CellFileOutcome::done : sink.status);
    outcome.bytes = total;
    return outcome;
}

// Reads of the connection go through a mapping of the file; while a load writes,
// they do not: pages written to a mapped file cost some systems ten times as much
// (Wine among them), and a large value writes every page twice.
class MappingPaused {
public:
    explicit MappingPaused(sqlite3* db) : db_(db) {
        Statement size = prepare_statement(db_, "PRAGMA mmap_size;");
        if (size && sqlite3_step(size.get()) == SQLITE_ROW) {
            saved_ = sqlite3_column_int64(size.get(), 0);
        }
        if (saved_ > 0) {
            sqlite3_exec(db_, "PRAGMA mmap_size = 0;", nullptr, nullptr, nullptr);
        }
    }
    // Without allocating: it may run while an exception for want of memory passes.
    ~MappingPaused() {
        if (saved_ > 0) {
            char sql[64];
            std::snprintf(sql, sizeof(sql), "PRAGMA mmap_size = %lld;",
                          static_cast<long long>(saved_));
            sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        }
    }
    MappingPaused(const MappingPaused&) = delete;
    MappingPaused& operator=(const MappingPaused&) = delete;

private:
    sqlite3* db_;
    sqlite3_int64 saved_ = 0;
};

// The savepoint a load writes in: kept or taken back by settle(), and taken back
// when the load ends any other way (an exception on its way out), so that no
// half-written value waits in an open transaction for the next change to commit
// it.
class LoadSavepoint {
public:
    explicit LoadSavepoint(sqlite3* db)
        : db_(db), open_(sqlite3_exec(db, kSavepoint, nullptr, nullptr, nullptr) == SQLITE_OK) {}
    ~LoadSavepoint() {
        if (open_) {
            sqlite3_exec(db_, kRollback, nullptr, nullptr, nullptr);
        }
    }
    LoadSavepoint(const LoadSavepoint&) = delete;
    LoadSavepoint& operator=(const LoadSavepoint&) = delete;

    bool is_open() const { return open_; }

    // Kept when the load went through, else taken back.
    CellFileOutcome settle(CellFileOutcome outcome) {
        open_ = false;
        if (outcome.status == CellFileOutcome::done) {
            if (sqlite3_exec(db_, kRelease, nullptr, nullptr, nullptr) == SQLITE_OK) {
                return outcome;
            }
            outcome = sql_failure(db_);
        }
        sqlite3_exec(db_, kRollback, nullptr, nullptr, nullptr);
        return outcome;
    }

private:
    sqlite3* db_;
    bool open_;
};

// The file into a zero-filled BLOB of its length, a chunk at a time. False when
// the value cannot be opened for the incremental I/O (a virtual table): the
// caller writes it whole instead.
bool load_streamed(sqlite3* db,
                   const CellFileTarget& target,
                   std::FILE* file,
                   std::int64_t total,
                   const CellFileProgress& progress,
                   CellFileOutcome& outcome) {
    const CellAddress& cell = target.cell;
    Statement update = prepare_statement(db, "UPDATE " + quote_identifier(cell.table) + " SET " +
                                                 quote_identifier(cell.column) +
                                                 " = zeroblob(?1) WHERE " + cell.where() + ";");
    if (!update) {
        outcome = sql_failure(db);
        return true;
    }
    sqlite3_bind_int64(update.get(), 1, total);
    if (sqlite3_step(update.get()) != SQLITE_DONE) {
        outcome = sql_failure(db);
        return true;
    }
    if (sqlite3_changes(db) == 0) {
        outcome = outcome_of(CellFileOutcome::missing);
        return true;
    }
    sqlite3_blob* opened = nullptr;
    if (sqlite3_blob_open(db, "main", cell.table.c_str(), cell.column.c_str(), cell.rowid, 1,
                          &opened) != SQLITE_OK) {
        sqlite3_blob_close(opened);
        return false;
    }
    Blob blob(opened);
    if (sqlite3_blob_bytes(blob.get()) != total) {
        // A trigger rewrote the value: the file's bytes would not be what it holds.
        outcome = outcome_of(CellFileOutcome::sql_failed);
        return true;
    }
    std::vector<char> chunk(kCellFileChunk);
    for (std::int64_t at = 0; at < total;) {
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::int64_t>(total - at, kCellFileChunk));
        if (std::fread(chunk.data(), 1, size, file) != size) {
            outcome = outcome_of(CellFileOutcome::file_failed);
            return true;
        }
        if (sqlite3_blob_write(blob.get(), chunk.data(), static_cast<int>(size),
                               static_cast<int>(at)) != SQLITE_OK) {
            outcome = sql_failure(db);
            return true;
        }
        at += static_cast<std::int64_t>(size);
        if (progress) {
            progress(at, total);
        }
        if (run_watch::tick(db)) {
            outcome = outcome_of(CellFileOutcome::stopped);
            return true;
        }
    }
    outcome = outcome_of(CellFileOutcome::done);
    outcome.bytes = total;
    return true;
}

// The value bound whole to one UPDATE. A view counts its records first: SQLite
// counts no change for its trigger's work.
CellFileOutcome load_whole(sqlite3* db,
                           const CellFileTarget& target,
                           const std::string& value,
                           bool as_text) {
    const CellAddress& cell = target.cell;
    if (target.view) {
        Statement count =
            prepare_statement(db, "SELECT count(*) FROM " + quote_identifier(cell.table) +
                                      " WHERE " + cell.where() + ";");
        if (!count || sqlite3_step(count.get()) != SQLITE_ROW) {
            return sql_failure(db);
        }
        if (sqlite3_column_int64(count.get(), 0) != 1) {
            return outcome_of(CellFileOutcome::missing);
        }
    }
    Statement update = prepare_statement(db, "UPDATE " + quote_identifier(cell.table) + " SET " +
                                                 quote_identifier(cell.column) + " = ?1 WHERE " +
                                                 cell.where() + ";");
    if (!update) {
        return sql_failure(db);
    }
    const int bound =
        as_text ? sqlite3_bind_text64(update.get(), 1, value.data(), value.size(), SQLITE_STATIC,
                                      SQLITE_UTF8)
                : sqlite3_bind_blob64(update.get(), 1, value.data(), value.size(), SQLITE_STATIC);
    if (bound != SQLITE_OK) {
        return bound == SQLITE_TOOBIG ? outcome_of(CellFileOutcome::too_large) : sql_failure(db);
    }
    if (sqlite3_step(update.get()) != SQLITE_DONE) {
        return sql_failure(db);
    }
    if (!target.view && sqlite3_changes(db) == 0) {
        return outcome_of(CellFileOutcome::missing);
    }
    CellFileOutcome outcome = outcome_of(CellFileOutcome::done);
    outcome.bytes = static_cast<std::int64_t>(value.size());
    return outcome;
}

bool read_whole_file(std::FILE* file, std::int64_t length, std::string& bytes) {
    bytes.resize(static_cast<std::size_t>(length));
    return length == 0 || std::fread(&bytes[0], 1, bytes.size(), file) == bytes.size();
}

}  // namespace

std::size_t whole_utf8_prefix(const char* utf8, std::size_t size) {
    // Back over at most three continuation bytes to the last lead byte.
    std::size_t lead = size;
    for (std::size_t back = 0; back < 4 && lead > 0; ++back) {
        --lead;
        if ((static_cast<unsigned char>(utf8[lead]) & 0xC0) != 0x80) {
            break;
        }
    }
    if (lead == size) {
        return size;
    }
    const auto c = static_cast<unsigned char>(utf8[lead]);
    const std::size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
    return size - lead >= length ? size : lead;
}

ReadOutcome read_value_part(sqlite3* db,
                            const CellFileTarget& target,
                            std::int64_t offset,
                            std::size_t count,
                            ValuePart& part) {
    part = ValuePart{};
    if (!db || offset < 0) {
        return ReadOutcome::failed;
    }
    const CellAddress& cell = target.cell;
    if (cell.has_rowid && !target.view) {
        sqlite3_blob* opened = nullptr;
        if (sqlite3_blob_open(db, "main", cell.table.c_str(), cell.column.c_str(), cell.rowid, 0,
                              &opened) == SQLITE_OK) {
            Blob blob(opened);
            part.total = sqlite3_blob_bytes(blob.get());
            const std::int64_t size = std::max<std::int64_t>(
                0, std::min<std::int64_t>(part.total - offset, static_cast<std::int64_t>(count)));
            part.bytes.resize(static_cast<std::size_t>(size));
            if (size > 0 && sqlite3_blob_read(blob.get(), &part.bytes[0], static_cast<int>(size),
                                              static_cast<int>(offset)) != SQLITE_OK) {
                return ReadOutcome::failed;
            }
            blob.reset();
            // The kind of a value that opens this way is a BLOB or a text.
            Statement kind = prepare_statement(
                db, "SELECT typeof(" + quote_identifier(cell.column) + ") FROM " +
                        quote_identifier(cell.table) + " WHERE " + cell.where() + ";");
            if (!kind || sqlite3_step(kind.get()) != SQLITE_ROW) {
                return ReadOutcome::failed;
            }
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(kind.get(), 0));
            part.type = type ? type : "";
            return ReadOutcome::found;
        }
        sqlite3_blob_close(opened);
    }
    const std::string name = quote_identifier(cell.column);
    Statement statement =
        prepare_statement(db, "SELECT typeof(" + name + "), octet_length(" + name +
                                  "), substr(CAST(" + name + " AS BLOB), ?1, ?2) FROM " +
                                  quote_identifier(cell.table) + " WHERE " + cell.where() + ";");
    if (!statement) {
        return ReadOutcome::failed;
    }
    sqlite3_bind_int64(statement.get(), 1, offset + 1);
    sqlite3_bind_int64(statement.get(), 2, static_cast<sqlite3_int64>(count));
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_DONE) {
        return ReadOutcome::missing;
    }
    if (step != SQLITE_ROW) {
        return ReadOutcome::failed;
    }
    const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    part.type = type ? type : "";
    part.total = sqlite3_column_int64(statement.get(), 1);
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement.get(), 2));
    const int size = sqlite3_column_bytes(statement.get(), 2);
    if (bytes && size > 0) {
        part.bytes.assign(bytes, static_cast<std::size_t>(size));
    }
    return ReadOutcome::found;
}

std::int64_t file_length(const std::string& path) {
    File file(open_file(path, "rb"));
    return file ? length_of(file.get()) : -1;
}

CellFileOutcome save_cell_file(sqlite3* db,
                               const CellFileTarget& target,
                               const std::string& path,
                               FileEncoding encoding,
                               const CellFileProgress& progress) {
    if (!db) {
        return outcome_of(CellFileOutcome::sql_failed);
    }
    const CellAddress& cell = target.cell;
    Statement kind =
        prepare_statement(db, "SELECT typeof(" + quote_identifier(cell.column) + ") FROM " +
                                  quote_identifier(cell.table) + " WHERE " + cell.where() + ";");
    if (!kind) {
        return sql_failure(db);
    }
    const int step = sqlite3_step(kind.get());
    if (step == SQLITE_DONE) {
        return outcome_of(CellFileOutcome::missing);
    }
    if (step != SQLITE_ROW) {
        return sql_failure(db);
    }
    const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(kind.get(), 0));
    const std::string value_type = type ? type : "";
    kind.reset();
    if (value_type == "null") {
        return outcome_of(CellFileOutcome::null_value);
    }
    const bool text = value_type != "blob";
    PartFile file(path);
    if (!file.is_open()) {
        return outcome_of(CellFileOutcome::file_failed);
    }
    FileSink sink(file, text, encoding);
    CellFileOutcome outcome;
    // A number is read as its text; a text goes through the incremental I/O only
    // as the UTF-8 bytes that the file's encodings start from.
    const bool streamable = value_type == "blob" || (value_type == "text" && database_is_utf8(db));
    if (!streamable || !save_streamed(db, target, sink, progress, outcome)) {
        outcome = save_whole(db, target, text, sink, progress);
    }
    if (outcome.status == CellFileOutcome::done && !file.finish(path)) {
        return outcome_of(CellFileOutcome::file_failed);
    }
    return outcome;
}

CellFileOutcome load_cell_file(sqlite3* db,
                               const CellFileTarget& target,
                               const std::string& path,
                               bool as_text,
                               FileEncoding encoding,
                               const CellFileProgress& progress) {
    if (!db) {
        return outcome_of(CellFileOutcome::sql_failed);
    }
    if (sqlite3_db_readonly(db, "main") != 0) {
        return outcome_of(CellFileOutcome::read_only);
    }
    File file(open_file(path, "rb"));
    const std::int64_t length = file ? length_of(file.get()) : -1;
    if (length < 0) {
        return outcome_of(CellFileOutcome::file_failed);
    }
    if (length > sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1)) {
        return outcome_of(CellFileOutcome::too_large);
    }
    std::string value;
    if (as_text) {
        std::string bytes;
        if (!read_whole_file(file.get(), length, bytes)) {
            return outcome_of(CellFileOutcome::file_failed);
        }
        if (!text_of_file(bytes, encoding, value)) {
            return outcome_of(CellFileOutcome::not_text);
        }
        // The text may have grown in its conversion to UTF-8.
        if (value.size() > static_cast<std::size_t>(sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1))) {
            return outcome_of(CellFileOutcome::too_large);
        }
    }
    MappingPaused mapping(db);
    LoadSavepoint savepoint(db);
    if (!savepoint.is_open()) {
        return sql_failure(db);
    }
    CellFileOutcome outcome;
    if (as_text || !target.cell.has_rowid || target.view ||
        !load_streamed(db, target, file.get(), length, progress, outcome)) {
        if (!as_text && !read_whole_file(file.get(), length, value)) {
            return savepoint.settle(outcome_of(CellFileOutcome::file_failed));
        }
        outcome = load_whole(db, target, value, as_text);
    }
    return savepoint.settle(outcome);
}
