#include "csv/csv_file_dialog.h"

namespace {

constexpr char kCsvFilter[] =
    "CSV ファイル (*.csv)\0*.csv\0"
    "テキスト ファイル (*.txt)\0*.txt\0"
    "すべてのファイル (*.*)\0*.*\0";
constexpr char kCsvExtension[] = "csv";

}  // namespace

bool choose_csv_file(HWND owner,
                     FileDialogKind kind,
                     const std::string& suggested,
                     FileChoice& choice) {
    return choose_file(owner, kind, kCsvFilter, kCsvExtension, suggested, choice);
}
