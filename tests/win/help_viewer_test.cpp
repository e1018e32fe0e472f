#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/help.h"
#include "tests/support/fake_help_viewer.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"

namespace {

// A help file's path with characters the code page lacks: the viewer gets it whole
// through its wide entry.
constexpr char kAnyHelpPath[] = u8"C:\\ヘルプ café 한\\説明.chm";
constexpr wchar_t kAnyHelpPathWide[] = L"C:\\ヘルプ café 한\\説明.chm";

const FakeViewerCall* last_call(HMODULE viewer) {
    auto read = reinterpret_cast<FakeViewerLastCall>(
        reinterpret_cast<void*>(GetProcAddress(viewer, "fake_viewer_last_call")));
    return read ? read() : nullptr;
}

// The viewer library is looked for under a key of this test process's own, and a
// stand-in library answers in its place.
class HelpViewerTest : public testing::Test {
protected:
    HelpViewerTest()
        : key_("Software\\KorvelandisTests\\" + std::to_string(GetCurrentProcessId()) +
               "\\InprocServer32") {}

    ~HelpViewerTest() override {
        reset_help_viewer();
        RegDeleteTreeA(
            HKEY_CURRENT_USER,
            ("Software\\KorvelandisTests\\" + std::to_string(GetCurrentProcessId())).c_str());
        for (const std::string& copy : copies_) {
            if (HMODULE module = GetModuleHandleA(copy.c_str())) {
                FreeLibrary(module);
            }
        }
    }

    HelpViewerSource source(const std::string& library_name) const {
        return HelpViewerSource{HKEY_CURRENT_USER, key_, library_name};
    }

    void register_viewer(const std::string& value, DWORD type = REG_SZ) {
        register_bytes(value.c_str(), static_cast<DWORD>(value.size() + 1), type);
    }

    void register_bytes(const char* bytes, DWORD size, DWORD type = REG_SZ) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes), size);
        RegCloseKey(key);
    }

    void register_key_without_value() {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    void unregister() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }

    // A copy of the stand-in library under a name of the test's choosing.
    std::string copy_viewer(const std::string& path) {
        EXPECT_TRUE(CopyFileA((program_folder() + kFakeViewerLibrary).c_str(), path.c_str(), FALSE))
            << path;
        copies_.push_back(path);
        return path;
    }

    TempDir dir;
    std::string key_;
    std::vector<std::string> copies_;
};

}  // namespace

TEST_F(HelpViewerTest, LoadsTheRegisteredLibraryAndForwardsEveryCallUnchanged) {
    const std::string registered = copy_viewer(dir.file("登録 ビューア.dll"));
    register_viewer(registered);
    reset_help_viewer(source("no-such-viewer.ocx"));

    HWND caller = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
    EXPECT_EQ(call_help_viewer(caller, kAnyHelpPath, kHelpDisplayToc, 0), kFakeViewerWindow);
    HMODULE loaded = GetModuleHandleA(registered.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(help_viewer_state().library, loaded);
    EXPECT_TRUE(help_viewer_state().resolved);
    EXPECT_FALSE(help_viewer_state().failed);
    const FakeViewerCall* call = last_call(loaded);
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->count, 1);
    EXPECT_EQ(call->caller, caller);
    EXPECT_TRUE(call->wide);
    EXPECT_EQ(std::wstring(call->wide_file), kAnyHelpPathWide);
    EXPECT_EQ(call->command, 1u);
    EXPECT_EQ(call->data, 0u);

    // Later calls reuse the library and its entry point, whatever the registry says now.
    unregister();
    EXPECT_EQ(call_help_viewer(nullptr, nullptr, 0x12, 77), kFakeViewerWindow);
    EXPECT_EQ(call->count, 2);
    EXPECT_EQ(call->caller, nullptr);
    EXPECT_STREQ(call->file, "");
    EXPECT_EQ(call->command, 0x12u);
    EXPECT_EQ(call->data, 77u);
    EXPECT_EQ(help_viewer_state().library, loaded);
}

TEST_F(HelpViewerTest, ExpandsAnExpandableRegisteredPath) {
    const std::string registered = copy_viewer(dir.file("expanded.dll"));
    SetEnvironmentVariableA("KORV_TEST_VIEWER_DIR", dir.path().c_str());
    register_viewer("%KORV_TEST_VIEWER_DIR%\\expanded.dll", REG_EXPAND_SZ);
    reset_help_viewer(source("no-such-viewer.ocx"));

    EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), kFakeViewerWindow);
    EXPECT_NE(GetModuleHandleA(registered.c_str()), nullptr);
    SetEnvironmentVariableA("KORV_TEST_VIEWER_DIR", nullptr);
}

TEST_F(HelpViewerTest, FallsBackToTheLibraryByNameWhenTheRegistryDoesNotLead) {
    const std::string by_name = program_folder() + kFakeViewerLibrary;
    const std::string missing = dir.file("missing.dll");
    const struct {
        const char* label;
        std::function<void()> prepare;
    } cases[] = {
        {"no key", [&] { unregister(); }},
        {"key without value", [&] { register_key_without_value(); }},
        {"empty value", [&] { register_viewer(""); }},
        {"value naming a missing file", [&] { register_viewer(missing); }},
        {"value of another type", [&] { register_bytes("\x01\x02\x03\x04", 4, REG_DWORD); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        unregister();
        c.prepare();
        reset_help_viewer(source(kFakeViewerLibrary));
        EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), kFakeViewerWindow);
        EXPECT_EQ(help_viewer_state().library, GetModuleHandleA(by_name.c_str()));
        EXPECT_FALSE(help_viewer_state().failed);
    }
}

TEST_F(HelpViewerTest, ARegisteredPathWithoutRoomForItsEndIsNotLoaded) {
    // Stored without a terminator: 259 bytes still fit the 260-byte buffer with
    // one added, 260 bytes do not, and their first 259 must not be taken as a path.
    std::string path = dir.path() + "\\";
    path += std::string(259 - path.size() - 4, 'v') + ".dll";
    ASSERT_EQ(path.size(), 259u);
    copy_viewer(path);

    register_bytes(path.c_str(), 259);
    reset_help_viewer(source("no-such-viewer.ocx"));
    EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), kFakeViewerWindow);
    EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr);
    FreeLibrary(GetModuleHandleA(path.c_str()));

    const std::string longer = path + "x";
    register_bytes(longer.c_str(), 260);
    reset_help_viewer(source("no-such-viewer.ocx"));
    EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), nullptr);
    EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
    EXPECT_TRUE(help_viewer_state().failed);
}

TEST_F(HelpViewerTest, WithoutAViewerEveryCallDoesNothing) {
    const std::string late = dir.file("late-viewer.dll");
    unregister();
    reset_help_viewer(source(late));

    EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), nullptr);
    EXPECT_TRUE(help_viewer_state().failed);
    EXPECT_EQ(help_viewer_state().library, nullptr);

    // A viewer that turns up later is not looked for again.
    copy_viewer(late);
    register_viewer(late);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), nullptr);
    }
    EXPECT_EQ(GetModuleHandleA(late.c_str()), nullptr);
    EXPECT_EQ(help_viewer_state().library, nullptr);
}

TEST_F(HelpViewerTest, ALibraryWithoutTheEntryPointDoesNothing) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof(self));
    register_viewer(self);
    reset_help_viewer(source("no-such-viewer.ocx"));

    EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), nullptr);
    EXPECT_TRUE(help_viewer_state().failed);
    EXPECT_FALSE(help_viewer_state().resolved);

    register_viewer(copy_viewer(dir.file("good.dll")));
    EXPECT_EQ(call_help_viewer(nullptr, "x.chm", kHelpDisplayToc, 0), nullptr);
    EXPECT_EQ(GetModuleHandleA(dir.file("good.dll").c_str()), nullptr);
}
