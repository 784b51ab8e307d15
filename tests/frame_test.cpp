// The library frame: exported functions, the message table and the parser's life cycle.
#include "tests/support/test_util.h"
#include "vestrel/cmx/probe.h"
#include "vestrel/frame/vestrel.h"
#include "vestrel/resources/resource.h"

#include <gtest/gtest.h>

#include <memory>

using namespace cmxtest;

namespace {

Bytes SmallDrawing() {
    PageBuilder page(Variant{});
    Attributes filled;
    filled.fill = Fill{1, 1, {}};
    page.PolyCurve(Polyline(0, 0, 5, 5, 2, filled));
    return FileWithPage(page);
}

} // namespace

TEST(Frame, MessagesComeFromTheGermanTable) {
    MessageRecorder recorder;
    for (unsigned id = 1; id <= 7; ++id)
        ShowErrorMessage(id);
    ASSERT_EQ(recorder.messages.size(), 7u);
    for (int id = 1; id <= 7; ++id) {
        EXPECT_EQ(recorder.messages[id - 1].caption, "Fehler :");
        EXPECT_EQ(recorder.messages[id - 1].text, MessageText(id));
    }
    EXPECT_EQ(recorder.messages[0].text, "Die CMX - Datei kann nicht ge\xF6"
                                         "ffnet werden !   ");
}

TEST(Frame, MessagesOutsideTheChainFallBack) {
    MessageRecorder recorder;
    ShowErrorMessage(99);
    // Without the library in the resource chain no text loads.
    AFX_EXTENSION_MODULE library = VestrelExtensionModule();
    AfxTermExtensionModule(library);
    ShowErrorMessage(IDS_BAD_CMX_FILE);
    InitVestrelDLL();
    ShowErrorMessage(IDS_BAD_CMX_FILE);
    ASSERT_EQ(recorder.messages.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(recorder.messages[i].caption, "Error...");
        EXPECT_EQ(recorder.messages[i].text, "Error Loading Res-String");
    }
    EXPECT_EQ(recorder.messages[2].caption, "Fehler :");
}

TEST(Frame, EachInitialisationLinksTheLibraryOnce) {
    int before = AfxGetResourceChainLength();
    InitVestrelDLL();
    EXPECT_EQ(AfxGetResourceChainLength(), before + 1);
    AFX_EXTENSION_MODULE library = VestrelExtensionModule();
    AfxTermExtensionModule(library);
    InitVestrelDLL();
    EXPECT_EQ(AfxGetResourceChainLength(), before - 1 + 1);
}

TEST(Frame, TheEntryRecordedTheModule) {
    EXPECT_NE(VestrelModule(), nullptr);
    EXPECT_NE(VestrelModule(), AfxGetInstanceHandle());
#if VESTREL_TESTS_SEE_GLOBALS
    EXPECT_TRUE(extensionModule.bInitialized);
    EXPECT_EQ(moduleHandle, VestrelModule());
    EXPECT_EQ(moduleHandle, extensionModule.hModule);
#endif
}

TEST(Frame, ExportedPlainFunctions) {
    MessageRecorder recorder;
    EXPECT_EQ(LoadCmx6FileOle2(), 0);
    EXPECT_EQ(LoadCmx6FileOle2(), 0);
    EXPECT_EQ(WEP(12345), 1);
    EXPECT_EQ(LoadCmx6File("/nonexistent/file.cmx"), 0);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{1});
#if VESTREL_TESTS_SEE_GLOBALS
    // The plain function reads the first page, whatever page the parser is set to.
    theCmxParser.SetPage(2);
#endif
    EXPECT_EQ(LoadCmx6File(WriteTemp(SmallDrawing()).c_str()), 1);
#if VESTREL_TESTS_SEE_GLOBALS
    EXPECT_EQ(theCmxParser.GetPage(), 2u);
    theCmxParser.SetPage(1);
#endif
    EXPECT_EQ(SetFrameSize(300, 4000000000u), 1);
    TempDir dir;
    EXPECT_EQ(WriteJobFile(dir.File("framed.job").c_str()), 1);
    std::unique_ptr<CGrDrawset> job(CGrDrawset::ReadJobFile(dir.File("framed.job").c_str()));
    EXPECT_EQ(job->frameWidth, 300.0);
    EXPECT_EQ(job->frameHeight, 4000000000.0);
    auto* window = reinterpret_cast<CWnd*>(0x1234);
    EXPECT_EQ(SetClipboardOwner(window), 1);
#if VESTREL_TESTS_SEE_GLOBALS
    EXPECT_EQ(CCmxParserProbe(theCmxParser).ClipboardOwner(), window);
#endif
    SetClipboardOwner(nullptr);
}

TEST(Frame, ParserStartsEmpty) {
    CCmxParser parser;
    EXPECT_EQ(CCmxParserProbe(parser).CurLayerIndex(), 65535);
    EXPECT_EQ(CCmxParserProbe(parser).GroupDepth(), 0);
    EXPECT_EQ(CCmxParserProbe(parser).CoordScale(), 0.0);
    EXPECT_EQ(CCmxParserProbe(parser).FormatVersion(), 0);
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_EQ(parser.GetGroupStack(), nullptr);
    EXPECT_EQ(parser.GetDataBuffer(), nullptr);
    EXPECT_TRUE(parser.GetFileName().IsEmpty());
    EXPECT_EQ(parser.SetFrameSize(1, 2), 1);
    EXPECT_EQ(parser.GetScaleFactor(), 0.0);
}

TEST(Frame, OnlyEmptyParsersCanBeCopied) {
    CCmxParser empty;
    empty.SetClipboardOwnerWnd(reinterpret_cast<CWnd*>(0x10));
    CCmxParser copy(empty);
    EXPECT_EQ(CCmxParserProbe(copy).ClipboardOwner(), reinterpret_cast<CWnd*>(0x10));
    CCmxParser assigned;
    assigned = empty;
    EXPECT_EQ(CCmxParserProbe(assigned).ClipboardOwner(), reinterpret_cast<CWnd*>(0x10));

    MessageRecorder recorder;
    CCmxParser loaded;
    ASSERT_EQ(loaded.LoadCmx6File(WriteTemp(SmallDrawing()).c_str()), 1);
    EXPECT_THROW(CCmxParser{loaded}, CNotSupportedException);
    EXPECT_THROW(assigned = loaded, CNotSupportedException);
    EXPECT_THROW(loaded = empty, CNotSupportedException);
    EXPECT_EQ(loaded.GetDrawing()->GetCount(), 1);
}

TEST(Frame, TeardownReleasesEverything) {
    // The sanitizer build's leak checker watches this: a parser destroyed after a load
    // releases both lists.
    MessageRecorder recorder;
    auto* parser = new CCmxParser;
    ASSERT_EQ(parser->LoadCmx6File(WriteTemp(SmallDrawing()).c_str()), 1);
    EXPECT_EQ(parser->FreeOleBlocks(), 1);
    EXPECT_EQ(CCmxParserProbe(*parser).GroupDepth(), 0);
    delete parser;
}
