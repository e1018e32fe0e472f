// The help pages quote the program's messages word for word; a message changed in
// the code without its page makes this test fail. It reads the UTF-8 sources, so
// it runs in the native build, where the source tree is at hand.
#ifdef KORV_SOURCE_DIR

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = KORV_SOURCE_DIR;

// Written as UTF-8 bytes: the test's own literals are compiled into the ANSI code page.
constexpr char kOpenQuote[] = "\xE3\x80\x8C";   // 「
constexpr char kCloseQuote[] = "\xE3\x80\x8D";  // 」
// Where a page writes a name the program fills in ("テーブル xxx を削除しますか？").
constexpr char kPlaceholder[] = "xxx";

std::string read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every message text of the program: the sources and resources, with adjacent
// string literals joined, as the compiler joins them ("...ず、" "データ..." reads
// "...ず、データ...").
std::string program_texts() {
    std::string all;
    for (const char* folder :
         {"app", "db", "history", "page", "grid", "structure", "sqleditor", "csv", "win", "res"}) {
        for (const auto& entry : fs::recursive_directory_iterator(kSourceDir / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".cpp" || ext == ".h" || ext == ".rc") {
                all += read_file(entry.path());
            }
        }
    }
    std::string joined;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == '"') {
            std::size_t next = i + 1;
            while (next < all.size() && std::isspace(static_cast<unsigned char>(all[next]))) {
                ++next;
            }
            if (next > i + 1 && next < all.size() && all[next] == '"') {
                i = next;
                continue;
            }
        }
        joined += all[i];
    }
    return joined;
}

std::string unescape_html(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1)) {
            text.replace(at, std::strlen(entity), character);
        }
    }
    return text;
}

// The texts a page marks as the program's messages (class "msg"), without their
// quotation marks.
std::vector<std::string> quoted_messages(const std::string& page) {
    std::vector<std::string> messages;
    const std::string marker = "class=\"msg\">";
    for (std::size_t at = page.find(marker); at != std::string::npos;
         at = page.find(marker, at + 1)) {
        const std::size_t begin = at + marker.size();
        std::string text = unescape_html(page.substr(begin, page.find('<', begin) - begin));
        if (text.rfind(kOpenQuote, 0) == 0) {
            text.erase(0, std::strlen(kOpenQuote));
        }
        const std::size_t close = text.size() - std::min(text.size(), std::strlen(kCloseQuote));
        if (text.compare(close, std::string::npos, kCloseQuote) == 0) {
            text.erase(close);
        }
        messages.push_back(text);
    }
    return messages;
}

// The pages of the help file, as its project lists them.
std::vector<std::string> help_pages() {
    std::vector<std::string> pages;
    std::istringstream project(read_file(kSourceDir / "help" / "korvelandis.hhp"));
    std::string line;
    while (std::getline(project, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > 5 && line.compare(line.size() - 5, 5, ".html") == 0) {
            pages.push_back(line);
        }
    }
    return pages;
}

}  // namespace

TEST(HelpPages, QuoteTheProgramsMessagesAsTheProgramWritesThem) {
    const std::string program = program_texts();
    ASSERT_FALSE(program.empty());
    // Pages that tell of failures; each must show at least one message, or the
    // markup went unnoticed.
    const char* const quoting[] = {"open.html",      "browse.html", "edit.html",
                                   "records.html",   "tables.html", "drop.html",
                                   "sqleditor.html", "csv.html",    "csvimport.html"};
    const std::vector<std::string> pages = help_pages();
    for (const char* page : quoting) {
        EXPECT_NE(std::find(pages.begin(), pages.end(), page), pages.end()) << page;
    }
    for (const std::string& page : pages) {
        const std::vector<std::string> messages =
            quoted_messages(read_file(kSourceDir / "help" / page));
        if (std::find(std::begin(quoting), std::end(quoting), page) != std::end(quoting)) {
            EXPECT_FALSE(messages.empty()) << page;
        }
        for (const std::string& message : messages) {
            // A name the program fills in: the words around it must be there.
            std::size_t from = 0;
            for (;;) {
                const std::size_t hole = message.find(kPlaceholder, from);
                const std::string part = message.substr(from, hole - from);
                EXPECT_NE(program.find(part), std::string::npos)
                    << page << " quotes a text the program does not have: " << message;
                if (hole == std::string::npos) {
                    break;
                }
                from = hole + std::strlen(kPlaceholder);
            }
        }
    }
}

#endif  // KORV_SOURCE_DIR
