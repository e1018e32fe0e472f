// A 100 MB value saved to a file and loaded back through the program's cell file
// functions, with the process's peak memory beyond its memory before; and the
// viewer opened on a JPEG of about 4 MiB, to its picture drawn.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <wincodec.h>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "db/database_connection.h"
#include "grid/cell_file.h"
#include "grid/value_viewer.h"
#include "history/change_history.h"

namespace {

using Clock = BenchClock;

struct Memory {
    // The working set counts the pages of the database file mapped for reading;
    // the private bytes are what the program itself holds.
    double working_set_mb = -1.0;
    double private_mb = -1.0;
};

Memory memory_now(bool peak) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) {
        return Memory{};
    }
    constexpr double kMegabyte = 1024.0 * 1024.0;
    return Memory{
        static_cast<double>(peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) / kMegabyte,
        static_cast<double>(peak ? memory.PeakPagefileUsage : memory.PagefileUsage) / kMegabyte};
}

void report_peak(const std::string& name, const Memory& before) {
    const Memory peak = memory_now(true);
    report(name + "_peak_working_set_beyond_start_mb", peak.working_set_mb - before.working_set_mb);
    report(name + "_peak_private_beyond_start_mb", peak.private_mb - before.private_mb);
}

CellFileTarget first_record(const char* table, const char* column) {
    CellFileTarget target;
    target.cell.table = table;
    target.cell.column = column;
    target.cell.rowid_name = "id";
    target.cell.rowid = 1;
    return target;
}

// A JPEG of random pixels, made by the system's encoder: noise keeps it large.
std::string make_jpeg(UINT width, UINT height) {
    std::string bytes;
    IWICImagingFactory* factory = nullptr;
    constexpr CLSID kFactory = {
        0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
    if (FAILED(CoCreateInstance(kFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(&factory)))) {
        return bytes;
    }
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * 3);
    std::mt19937 random(1);
    for (BYTE& b : pixels) {
        b = static_cast<BYTE>(random());
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (stream && SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &options))) {
        PROPBAG2 quality{};
        quality.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = 1.0f;
        options->Write(1, &quality, &value);
        if (SUCCEEDED(frame->Initialize(options)) && SUCCEEDED(frame->SetSize(width, height)) &&
            SUCCEEDED(frame->SetPixelFormat(&format)) &&
            SUCCEEDED(frame->WritePixels(height, width * 3, static_cast<UINT>(pixels.size()),
                                         pixels.data())) &&
            SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit())) {
            HGLOBAL memory = nullptr;
            GetHGlobalFromStream(stream, &memory);
            STATSTG stat{};
            stream->Stat(&stat, STATFLAG_NONAME);
            const void* data = GlobalLock(memory);
            bytes.assign(static_cast<const char*>(data),
                         static_cast<std::size_t>(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
    }
    for (IUnknown* object : {static_cast<IUnknown*>(options), static_cast<IUnknown*>(frame),
                             static_cast<IUnknown*>(encoder), static_cast<IUnknown*>(stream),
                             static_cast<IUnknown*>(factory)}) {
        if (object) {
            object->Release();
        }
    }
    return bytes;
}

}  // namespace

BENCH_CASE(cell_file_100mb) {
    const std::string path = cached_database(
        "blob100.db", "CREATE TABLE b(id INTEGER PRIMARY KEY, v BLOB);",
        "INSERT INTO b(v) VALUES (randomblob(100000000));", 1, [](sqlite3_stmt*, int) {});
    const std::string file = bench_folder() + "\\blob100.bin";
    DatabaseConnection connection;
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "cell_file_100mb: cannot open %s\n", path.c_str());
        return;
    }
    const CellFileTarget target = first_record("b", "v");
    const Memory before = memory_now(false);
    Clock::time_point start = Clock::now();
    const CellFileOutcome saved =
        save_cell_file(connection.handle, target, file, FileEncoding::utf8);
    report("cell_save_100mb_ms", saved.status == CellFileOutcome::done ? ms_since(start) : -1.0);
    report_peak("cell_save_100mb", before);

    // As the load command runs it: one step of the history, given up at once as
    // too large to keep.
    ChangeHistory history;
    history.attach(connection.handle);
    start = Clock::now();
    CellFileOutcome loaded;
    {
        RecordedStep step(&history, ChangeHistory::StepScope::records);
        history.give_up_step();
        loaded = load_cell_file(connection.handle, target, file, false, FileEncoding::utf8);
    }
    report("cell_load_100mb_ms", loaded.status == CellFileOutcome::done ? ms_since(start) : -1.0);
    report_peak("cell_load_100mb", before);
    history.attach(nullptr);
    DeleteFileA(file.c_str());
}

BENCH_CASE(viewer_jpeg) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    static std::string jpeg;
    jpeg = make_jpeg(3000, 2300);
    const std::string path =
        cached_database("viewer.db", "CREATE TABLE p(id INTEGER PRIMARY KEY, img BLOB);",
                        "INSERT INTO p(img) VALUES (?);", 1, [](sqlite3_stmt* insert, int) {
                            sqlite3_bind_blob(insert, 1, jpeg.data(), static_cast<int>(jpeg.size()),
                                              SQLITE_TRANSIENT);
                        });
    DatabaseConnection connection;
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "viewer_jpeg: cannot open %s\n", path.c_str());
        return;
    }
    sqlite3_stmt* size = nullptr;
    sqlite3_prepare_v2(connection.handle, "SELECT length(img) FROM p;", -1, &size, nullptr);
    report("viewer_jpeg_bytes", sqlite3_step(size) == SQLITE_ROW
                                    ? static_cast<double>(sqlite3_column_int64(size, 0))
                                    : -1.0);
    sqlite3_finalize(size);
    bool shown = false;
    SIZE box{};
    report("viewer_jpeg_open_to_drawn_ms", median_ms(5, [&] {
               ValueViewer viewer;
               viewer.database = connection.handle;
               viewer.target = first_record("p", "img");
               HWND window = viewer.open(nullptr);
               if (window) {
                   ShowWindow(window, SW_SHOW);
                   UpdateWindow(window);
                   shown = viewer.showing_picture();
                   box = SIZE{static_cast<LONG>(viewer.picture().shown_width),
                              static_cast<LONG>(viewer.picture().shown_height)};
                   DestroyWindow(window);
               }
           }));
    report("viewer_jpeg_decoded", shown ? 1.0 : 0.0);
    // Where the time goes: the value read whole, and the decoder alone (made,
    // decoded, converted and scaled to the size the viewer drew).
    ValuePart whole;
    report("viewer_jpeg_read_ms", median_ms(5, [&] {
               read_value_part(connection.handle, first_record("p", "img"), 0, jpeg.size(), whole);
           }));
    DecodedPicture picture;
    report("viewer_jpeg_decode_ms",
           median_ms(5, [&] { decode_picture(whole.bytes, box.cx, box.cy, picture); }));
    CoUninitialize();
}
