// vestrel corel on Windows: the simulated CorelDRAW registered as the running object of a program
// identifier, found through COM by the command, which has it export its selection and converts
// the export to a job file.
#include "cli/commands.h"
#include "tests/support/corelserver.h"
#include "tests/support/test_util.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <memory>

using namespace cmxtest;

namespace {

const char kProgId[] = "Vestrel.SimulatedCorel";
const char kClsid[] = "{5B0C3E1A-7D24-4C1E-9F3B-2A6E8D41C7B5}";

// The program identifier's class in the registry while the object lives.
class RegisteredProgId {
public:
    RegisteredProgId() {
        HKEY key = nullptr;
        const std::string path = std::string(kProgId) + "\\CLSID";
        if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr) == ERROR_SUCCESS) {
            ok_ = ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsid),
                                   sizeof kClsid) == ERROR_SUCCESS;
            ::RegCloseKey(key);
        }
    }
    ~RegisteredProgId() { ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId); }
    RegisteredProgId(const RegisteredProgId&) = delete;
    RegisteredProgId& operator=(const RegisteredProgId&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

} // namespace

TEST(Win32Corel, TheCommandExportsTheRunningServersSelection) {
    // The server outlives COM, which may release what it held of it as it ends.
    SimulatedCorel server({Obj(1), Obj(2, kKindText), Obj(3)});
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    {
        RegisteredProgId progId;
        ASSERT_TRUE(progId.ok());
        CLSID clsid;
        ASSERT_EQ(::CLSIDFromProgID(L"Vestrel.SimulatedCorel", &clsid), S_OK);

        server.Select({1, 2});
        DWORD cookie = 0;
        ASSERT_EQ(::RegisterActiveObject(&server, clsid, ACTIVEOBJECT_STRONG, &cookie), S_OK);
        TempDir dir;
        const std::string job = dir.File("corel.job");
        {
            ClipboardTurn turn;
            EXPECT_EQ(vestrel_cli::Corel({kProgId, job}), vestrel_cli::kExitOk);
        }
        ::RevokeActiveObject(cookie, nullptr);
        EXPECT_EQ(server.Trace().front(), "GetActiveId?");
        EXPECT_EQ(server.Trace().back(), "SplitActive");

        std::unique_ptr<CGrDrawset> drawing(CGrDrawset::ReadJobFile(job.c_str()));
        ASSERT_NE(drawing, nullptr);
        const std::vector<CGrObj*> objects = Objects(*drawing);
        ASSERT_EQ(objects.size(), 2u) << "the selection: shapes 1 and 2";
        for (std::size_t i = 0; i < objects.size(); ++i)
            EXPECT_EQ(PathPoints(objects[i]).size(), SimulatedCorel::ShapePoints(1).size());
        // No server runs for the identifier any more.
        EXPECT_EQ(vestrel_cli::Corel({kProgId, job}), vestrel_cli::kExitFailed);
    }
    ::CoUninitialize();
}
