#include "tests/support/test_util.h"
#include "vestrel/frame/vestrel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace cmxtest {

namespace {

const char* const kTexts[] = {
    "Die CMX - Datei kann nicht ge\366ffnet werden !   ",
    "Fehler :",
    "Fehlerhafte CMX-Datei !",
    "Unerwarteter oder unvollst\344ndiger Befehl in der CMX - Datei !",
    "Keine Outline-Informationen gefunden ! Datei fehlerhaft oder besch\344digt !",
    "Keine Bildsektion in der CMX-Datei vorhanden !",
    "Keine Vorschau !",
};

} // namespace

std::string MessageText(int id) {
    return id >= 1 && id <= 7 ? kTexts[id - 1] : std::string();
}

std::vector<int> MessageRecorder::Ids() const {
    std::vector<int> ids;
    for (const Message& m : messages) {
        int id = 0;
        for (int i = 1; i <= 7; ++i)
            if (m.text == kTexts[i - 1])
                id = i;
        ids.push_back(id);
    }
    return ids;
}

TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto path = std::filesystem::temp_directory_path() /
                    ("vestrel-test-" + std::to_string(random()) + std::to_string(random()));
        if (std::filesystem::create_directory(path)) {
            path_ = path.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string WriteTemp(const Bytes& bytes, const std::string& name) {
    static TempDir dir;
    static int counter = 0;
    std::string path = dir.File(std::to_string(++counter) + "-" + name);
    WriteFile(path, bytes);
    return path;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<CGrObj*> Objects(const CGrDrawset& drawing) {
    std::vector<CGrObj*> objects;
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;)
        objects.push_back(static_cast<CGrObj*>(drawing.GetNext(at)));
    return objects;
}

} // namespace cmxtest

namespace cmxtest {

Bytes FileWithPage(const PageBuilder& page, Variant variant) {
    CmxBuilder cmx(variant);
    cmx.ColorTable({Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)});
    cmx.OutlineTable({1, 2, 3});
    cmx.Page(page);
    return cmx.Build();
}

std::size_t PackedLengthAt(const Bytes& file) {
    const char method[] = "CPng";
    const auto at = std::search(file.begin(), file.end(), method, method + 4);
    if (at == file.end())
        throw std::runtime_error("not a compressed file");
    return static_cast<std::size_t>(at - file.begin()) - 4;
}

std::vector<tagDoublePoint> PathPoints(const CGrObj* object) {
    std::vector<tagDoublePoint> points;
    if (object == nullptr || object->GetClass() != GrObjClass::simple)
        return points;
    const auto* path = static_cast<const CGrObjSimple*>(object);
    for (unsigned long i = 0; i < path->GetPointCount(); ++i)
        points.push_back(path->GetPoint(i));
    return points;
}

std::string PathLetters(const CGrObj* object) {
    std::string letters;
    if (object == nullptr || object->GetClass() != GrObjClass::simple)
        return letters;
    const auto* path = static_cast<const CGrObjSimple*>(object);
    for (unsigned long i = 0; i < path->GetPointCount(); ++i)
        letters += static_cast<char>(path->GetLetter(i));
    return letters;
}

std::vector<unsigned long> GroupMembers(const CGrObj* object) {
    std::vector<unsigned long> members;
    if (object == nullptr || object->GetClass() != GrObjClass::group)
        return members;
    const auto* group = static_cast<const CGrObjGroup*>(object);
    for (unsigned long i = 0; i < group->GetMemberCount(); ++i)
        members.push_back(group->GetMember(i));
    return members;
}

#if defined(_WIN32)
ClipboardTurn::ClipboardTurn() : mutex_(::CreateMutexA(nullptr, FALSE, "vestrel-tests-clipboard")) {
    // A turn abandoned by a process that ended is a turn all the same.
    if (mutex_ == nullptr || ::WaitForSingleObject(mutex_, 120000) == WAIT_TIMEOUT)
        throw std::runtime_error("the clipboard's turn did not come");
}

ClipboardTurn::~ClipboardTurn() {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
}
#else
ClipboardTurn::ClipboardTurn() = default;
ClipboardTurn::~ClipboardTurn() = default;
#endif

bool PutOnClipboard(const std::vector<ClipboardData>& formats) {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    for (const auto& [format, bytes] : formats) {
        HGLOBAL block = nullptr;
        if (bytes) {
            block = GlobalAlloc(GMEM_MOVEABLE, bytes->size());
            if (!bytes->empty()) {
                std::memcpy(GlobalLock(block), bytes->data(), bytes->size());
                GlobalUnlock(block);
            }
        }
        SetClipboardData(format, block);
    }
    return CloseClipboard() != FALSE;
}

HINSTANCE VestrelModule() {
    return PlatformModuleFromAddress(reinterpret_cast<const void*>(&LoadCmx6File));
}

AFX_EXTENSION_MODULE VestrelExtensionModule() {
    AFX_EXTENSION_MODULE module = {};
    module.hModule = VestrelModule();
    return module;
}

} // namespace cmxtest
