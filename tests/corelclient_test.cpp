// The automation client: COleDispatchDriver's calls, IDrawAutomate's DISPIDs and types, the call
// sequences of CCorelOleClient's operations on a simulated CorelDRAW, and the roads from an
// export to a loaded drawing.
#include "tests/support/corelserver.h"
#include "tests/support/test_util.h"

#include "vestrel/corelclient/corelclient.h"

#include <gtest/gtest.h>

#include <functional>

using namespace cmxtest;

namespace {

std::string Q(const std::string& text) {
    return '"' + text + '"';
}

const std::string kTmp = Q("~~tmp~~");

// A client on a simulated server holding model, with the given objects selected.
struct Session {
    SimulatedCorel server;
    IDrawAutomate automate;
    CCorelOleClient client;

    explicit Session(std::vector<DrawObject> model = {}, std::vector<LONG> selected = {})
        : server(std::move(model)), automate(&server, FALSE), client(&automate) {
        server.Select(selected);
    }
    ~Session() { EXPECT_FALSE(server.Overspent()) << "a walk never came back to its start"; }
};

std::vector<LONG> Kinds(const std::vector<DrawObject>& objects) {
    std::vector<LONG> kinds;
    for (const DrawObject& object : objects) {
        kinds.push_back(object.kind);
        for (LONG kind : Kinds(object.members))
            kinds.push_back(kind);
    }
    return kinds;
}

// Each leaf of the objects as the path the reader should make of it.
void ExpectPaths(const CGrDrawset* drawing, const std::vector<LONG>& shapes) {
    ASSERT_NE(drawing, nullptr);
    const std::vector<CGrObj*> objects = Objects(*drawing);
    ASSERT_EQ(objects.size(), shapes.size());
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const auto points = PathPoints(objects[i]);
        const auto expected = SimulatedCorel::ShapePoints(shapes[i]);
        ASSERT_EQ(points.size(), expected.size()) << "object " << i;
        for (std::size_t p = 0; p < points.size(); ++p) {
            EXPECT_DOUBLE_EQ(points[p].x, expected[p].first) << "object " << i;
            EXPECT_DOUBLE_EQ(points[p].y, expected[p].second) << "object " << i;
        }
    }
}

} // namespace

TEST(DispatchDriver, EveryWrapperMethodCallsItsDispidWithItsTypes) {
    struct Case {
        std::function<LONG(IDrawAutomate&)> call;
        std::string trace;
        LONG result; // when the server answers a VT_I2 7: TRUE for VT_BOOL, 7 for VT_I4
    };
    LONG a = 5;
    LONG b = 6;
    TempDir dir;
    const std::string out = dir.File("o.cmx");
    ClipboardTurn turn;
    const std::vector<Case> cases = {
        {[](IDrawAutomate& d) { return d.OpenDrawing("C:/a.cdr"); }, "OpenDrawing(\"C:/a.cdr\")?",
         1},
        {[](IDrawAutomate& d) { return d.CloseDrawing(FALSE); }, "CloseDrawing(FALSE)?", 1},
        {[&](IDrawAutomate& d) { return d.ExportDrawing(out.c_str(), 1793, 0, -1, 2, 3, 1), 0; },
         "ExportDrawing(" + Q(out) + ",1793,0,-1,2,3,1)", 0},
        {[&](IDrawAutomate& d) { return d.GetIdRange(&a, &b); }, "GetIdRange(&,&)?", 1},
        {[](IDrawAutomate& d) { return d.CopySelection(), 0; }, "CopySelection", 0},
        {[](IDrawAutomate& d) { return d.EndBatch(); }, "EndBatch?", 1},
        {[](IDrawAutomate& d) { return d.GetActiveKind(); }, "GetActiveKind?", 7},
        {[](IDrawAutomate& d) { return d.SelectEverything(); }, "SelectEverything?", 1},
        {[](IDrawAutomate& d) { return d.StepActive(TRUE); }, "StepActive(TRUE)?", 1},
        {[](IDrawAutomate& d) { return d.JoinSelection(), 0; }, "JoinSelection", 0},
        {[](IDrawAutomate& d) { return d.SplitActive(), 0; }, "SplitActive", 0},
        {[](IDrawAutomate& d) { return d.ConvertActiveToCurves(), 0; }, "ConvertActiveToCurves", 0},
        {[](IDrawAutomate& d) { return d.PositionActive(-3, 4), 0; }, "PositionActive(-3,4)", 0},
        {[](IDrawAutomate& d) { return d.ClearSelection(), 0; }, "ClearSelection", 0},
        {[](IDrawAutomate& d) { return d.GetActiveId(); }, "GetActiveId?", 7},
        {[](IDrawAutomate& d) { return d.ActivateById(0), 0; }, "ActivateById(0)", 0},
        {[](IDrawAutomate& d) { return d.CreateLayer("Layer 2"), 0; }, "CreateLayer(\"Layer 2\")",
         0},
        {[](IDrawAutomate& d) { return d.DeleteCurrent(), 0; }, "DeleteCurrent", 0},
        {[](IDrawAutomate& d) { return d.SetCurrentLayer("Layer 1"), 0; },
         "SetCurrentLayer(\"Layer 1\")", 0},
        {[](IDrawAutomate& d) { return d.SetLayerScope(7), 0; }, "SetLayerScope(TRUE)", 0},
        {[](IDrawAutomate& d) { return d.SendSelectionToLayer("Layer 1"), 0; },
         "SendSelectionToLayer(\"Layer 1\")", 0},
        {[](IDrawAutomate& d) { return d.CopySelectionToLayer("Layer 1"), 0; },
         "CopySelectionToLayer(\"Layer 1\")", 0},
        {[](IDrawAutomate& d) { return d.SetConvertMode(FALSE), 0; }, "SetConvertMode(FALSE)", 0},
        {[](IDrawAutomate& d) { return d.SetConvertOption(0x835F), 0; }, "SetConvertOption(33631)",
         0},
    };
    VARIANT seven;
    VariantInit(&seven);
    seven.vt = VT_I2;
    seven.iVal = 7;
    for (const Case& c : cases) {
        Session session({Obj(1)}, {1});
        for (DISPID id : {6, 9, 19, 22, 28, 33, 34, 66})
            session.server.Reply(id, seven);
        EXPECT_EQ(c.call(session.automate), c.result) << c.trace;
        EXPECT_EQ(session.server.Trace(), std::vector<std::string>{c.trace});
    }
    EXPECT_EQ(a, 1) << "GetIdRange fills its integers by reference";
    EXPECT_EQ(b, 1);
}

TEST(DispatchDriver, FailuresBecomeTheFrameworksExceptions) {
    Session session;
    session.server.Fail(DrawMethod::GetActiveId, DISP_E_EXCEPTION);
    try {
        session.automate.GetActiveId();
        FAIL() << "no exception";
    } catch (const COleDispatchException& e) {
        EXPECT_EQ(e.m_wCode, 1001);
        EXPECT_EQ(e.m_strDescription, "simulated failure");
        EXPECT_EQ(e.m_strSource, "SimulatedCorel");
        EXPECT_STREQ(e.what(), "simulated failure");
    }
    for (HRESULT hr : {E_FAIL, DISP_E_MEMBERNOTFOUND, DISP_E_TYPEMISMATCH}) {
        session.server.Fail(DrawMethod::SelectEverything, hr);
        try {
            session.automate.SelectEverything();
            FAIL() << "no exception";
        } catch (const COleException& e) {
            EXPECT_EQ(e.m_sc, hr);
        }
    }
    // A result that cannot take the type asked for.
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(OLESTR("many"));
    session.server.Reply(DrawMethod::GetActiveId, text);
    EXPECT_THROW(session.automate.GetActiveId(), COleException);
    // A method the server lacks, and a driver without a server.
    EXPECT_THROW(session.automate.InvokeHelper(7, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr),
                 COleException);
    IDrawAutomate unattached;
    try {
        unattached.GetActiveId();
        FAIL() << "no exception";
    } catch (const COleException& e) {
        EXPECT_EQ(e.m_sc, E_POINTER);
    }
}

TEST(DispatchDriver, KeepsItsReferencesBalanced) {
    SimulatedCorel server;
    {
        COleDispatchDriver owner(&server, FALSE);
        COleDispatchDriver copy(owner);
        EXPECT_EQ(server.references(), 2u);
        COleDispatchDriver assigned;
        assigned = copy;
        EXPECT_EQ(server.references(), 3u);
        assigned.AttachDispatch(nullptr);
        EXPECT_EQ(server.references(), 2u);
        EXPECT_EQ(copy.DetachDispatch(), &server);
        EXPECT_EQ(server.references(), 2u);
        server.Release();
    }
    EXPECT_EQ(server.references(), 1u);
}

TEST(OleConversion, ChangesTypesAsOleautDoes) {
    struct Case {
        VARTYPE from;
        double value;
        VARTYPE to;
        HRESULT hr;
        double expected;
    };
    const Case cases[] = {
        {VT_I4, 7, VT_BOOL, S_OK, -1},
        {VT_BOOL, -1, VT_I4, S_OK, -1},
        {VT_I2, -5, VT_I4, S_OK, -5},
        {VT_R8, 2.5, VT_I4, S_OK, 2},
        {VT_R8, 3.5, VT_I4, S_OK, 4},
        {VT_R8, -2.5, VT_I2, S_OK, -2},
        {VT_I4, 70000, VT_I2, DISP_E_OVERFLOW, 0},
        {VT_I4, -1, VT_UI1, DISP_E_OVERFLOW, 0},
        {VT_EMPTY, 0, VT_I4, S_OK, 0},
        {VT_I4, 0, VT_BOOL, S_OK, 0},
        {VT_R8, 1e300, VT_R4, DISP_E_OVERFLOW, 0},
    };
    for (const Case& c : cases) {
        VARIANT v;
        VariantInit(&v);
        v.vt = c.from;
        if (c.from == VT_R8)
            v.dblVal = c.value;
        else if (c.from == VT_I2)
            v.iVal = static_cast<SHORT>(c.value);
        else if (c.from == VT_BOOL)
            v.boolVal = static_cast<VARIANT_BOOL>(c.value);
        else
            v.lVal = static_cast<LONG>(c.value);
        VARIANT out;
        VariantInit(&out);
        ASSERT_EQ(VariantChangeType(&out, &v, 0, c.to), c.hr) << c.from << " " << c.value;
        if (FAILED(c.hr))
            continue;
        EXPECT_EQ(out.vt, c.to);
        const double got = c.to == VT_BOOL ? out.boolVal : c.to == VT_I2 ? out.iVal : out.lVal;
        EXPECT_EQ(got, c.expected) << c.from << " " << c.value;
    }
    // A reference is followed.
    LONG target = 42;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_I4 | VT_BYREF;
    reference.plVal = &target;
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &reference, 0, VT_I4), S_OK);
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 42);
    // DispGetParam counts positions from the first argument the method declares.
    VARIANT arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    arguments[0].vt = VT_I4; // the last
    arguments[0].lVal = 9;
    arguments[1].vt = VT_BSTR; // the first
    arguments[1].bstrVal = SysAllocString(OLESTR("x"));
    DISPPARAMS params = {arguments, nullptr, 2, 0};
    UINT error = 99;
    ASSERT_EQ(DispGetParam(&params, 1, VT_I4, &out, &error), S_OK);
    EXPECT_EQ(out.lVal, 9);
    EXPECT_EQ(DispGetParam(&params, 2, VT_I4, &out, &error), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(DispGetParam(&params, 0, VT_I4, &out, &error), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(error, 1u);
    VariantClear(&arguments[1]);
}

namespace {

using Lines = std::vector<std::string>;

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ConvertActObject on an active object of a kind.
Lines Convert(LONG kind) {
    if (kind == kKindShape)
        return {"GetActiveKind?", "ConvertActiveToCurves"};
    if (kind == kKindText)
        return {"GetActiveKind?", "SetConvertMode(TRUE)", "SetConvertOption(33631)",
                "ConvertActiveToCurves", "SetConvertMode(FALSE)"};
    return {"GetActiveKind?"};
}

const Lines kStep = {"StepActive(TRUE)?", "GetActiveId?"};
const Lines kCopyToTemp = {"CreateLayer(" + kTmp + ")", "CopySelectionToLayer(" + kTmp + ")"};
const Lines kSaveAll = {"SelectEverything?", "CopySelection", "ClearSelection"};
const Lines kDeleteTemp = {"SetCurrentLayer(" + kTmp + ")", "SelectEverything?", "DeleteCurrent"};

// The walk of ConvertToCurves over a group of one shape.
const Lines kGroupOfOneShape = Lines{"GetActiveId?"} + Convert(kKindGroup) +
                               Lines{"StepActive(TRUE)?", "GetActiveId?"} + Convert(kKindShape) +
                               kStep + kStep;

// DoExportCmx from its first call to the end of the export, with the walk and the object id.
Lines ExportSteps(const Lines& start, const Lines& walk, LONG id, const std::string& path) {
    return start + Lines{"PositionActive(0,0)", "GetActiveId?"} + walk +
           Lines{"ActivateById(" + std::to_string(id) + ")",
                 "CreateLayer(" + kTmp + ")",
                 "SendSelectionToLayer(" + kTmp + ")",
                 "SetCurrentLayer(" + kTmp + ")",
                 "SetLayerScope(TRUE)",
                 "SelectEverything?",
                 "CopySelection",
                 "ClearSelection",
                 "SetCurrentLayer(" + kTmp + ")",
                 "SetLayerScope(FALSE)",
                 "ExportDrawing(" + Q(path) + ",1793,0,0,0,0,1)",
                 "DeleteCurrent",
                 "EndBatch?"};
}

Lines Restore(LONG id) {
    const std::string activate = "ActivateById(" + std::to_string(id) + ")";
    return {activate, "ClearSelection", activate, "SplitActive"};
}

struct Operation {
    std::string name;
    std::vector<DrawObject> model;
    std::vector<LONG> selected;
    std::function<int(CCorelOleClient&)> run;
    int result;
    Lines trace;
};

// The operations on the models where their sequences differ. The first joined object is 1000.
std::vector<Operation> Operations(const std::string& out) {
    const std::string dir = Q(out);
    const LONG joined = 1000;
    return {
        {"LoadCDR7",
         {},
         {},
         [](CCorelOleClient& c) { return c.LoadCDR7("C:/in.cdr"); },
         1,
         {"OpenDrawing(\"C:/in.cdr\")?"}},
        {"ExportASCmx",
         {Obj(1)},
         {},
         [out](CCorelOleClient& c) { return c.ExportASCmx(out.c_str()); },
         1,
         {"ExportDrawing(" + dir + ",1793,0,0,0,0,1)", "CloseDrawing(FALSE)?"}},
        {"ExportASCmxInClipBoard",
         {Obj(1)},
         {},
         [](CCorelOleClient& c) { return c.ExportASCmxInClipBoard(); },
         1,
         {"SelectEverything?", "CopySelection", "CloseDrawing(FALSE)?"}},
        {"ConvertActObject kind 4",
         {Obj(1)},
         {1},
         [](CCorelOleClient& c) { return c.ConvertActObject(); },
         0,
         Convert(kKindShape)},
        {"ConvertActObject kind 6",
         {Obj(1, kKindText)},
         {1},
         [](CCorelOleClient& c) { return c.ConvertActObject(); },
         0,
         Convert(kKindText)},
        {"ConvertActObject kind 12",
         {Group(1, {Obj(2)})},
         {1},
         [](CCorelOleClient& c) { return c.ConvertActObject(); },
         12,
         Convert(kKindGroup)},
        {"ConvertActObject other kind",
         {Obj(1, 5)},
         {1},
         [](CCorelOleClient& c) { return c.ConvertActObject(); },
         0,
         {"GetActiveKind?"}},
        {"ConvertToCurves nothing active",
         {Obj(1)},
         {},
         [](CCorelOleClient& c) { return c.ConvertToCurves(); },
         0,
         {"GetActiveId?"}},
        {"ConvertToCurves two objects",
         {Obj(1), Obj(2, kKindText)},
         {1, 2},
         [](CCorelOleClient& c) { return c.ConvertToCurves(); },
         0,
         Lines{"GetActiveId?"} + Convert(kKindShape) + kStep + Convert(kKindText) + kStep},
        {"ConvertToCurves group",
         {Group(10, {Obj(1)})},
         {10},
         [](CCorelOleClient& c) { return c.ConvertToCurves(); },
         0,
         kGroupOfOneShape},
        {"SaveAllInClipboard",
         {Obj(1)},
         {},
         [](CCorelOleClient& c) { return c.SaveAllInClipboard(); },
         0,
         kSaveAll},
        {"CopySelToTempLayer",
         {Obj(1)},
         {1},
         [](CCorelOleClient& c) { return c.CopySelToTempLayer(); },
         0,
         kCopyToTemp},
        {"DeleteTempLayer",
         {Obj(1)},
         {1},
         [](CCorelOleClient& c) { return c.CopySelToTempLayer(), c.DeleteTempLayer(); },
         0,
         kCopyToTemp + kDeleteTemp},
        {"SelectAll",
         {Obj(1)},
         {},
         [](CCorelOleClient& c) { return c.SelectAll(); },
         0,
         Lines{"SelectEverything?"} + kCopyToTemp},
        {"IsSelect selected",
         {Obj(1)},
         {1},
         [](CCorelOleClient& c) { return c.IsSelect(); },
         1,
         {"GetActiveId?"}},
        {"IsSelect nothing",
         {Obj(1)},
         {},
         [](CCorelOleClient& c) { return c.IsSelect(); },
         0,
         {"GetActiveId?"}},
        {"DoScript nothing",
         {},
         {},
         [](CCorelOleClient& c) { return c.DoScript("a", "b", 1); },
         0,
         kCopyToTemp + Lines{"SetCurrentLayer(" + kTmp + ")", "SetLayerScope(TRUE)"} + kSaveAll +
             Lines{"SetLayerScope(FALSE)", "SelectEverything?", "GetActiveId?",
                   "StepActive(FALSE)?", "GetActiveId?"}},
        // The copies on the layer are 1000 (a shape) and 1001, a group holding 1002; the group
        // is split and the walk starts again behind it.
        {"DoScript shapes and a group",
         {Obj(1), Group(2, {Obj(3)})},
         {1, 2},
         [](CCorelOleClient& c) { return c.DoScript("", "", 0); },
         0,
         kCopyToTemp + Lines{"SetCurrentLayer(" + kTmp + ")", "SetLayerScope(TRUE)"} + kSaveAll +
             Lines{"SetLayerScope(FALSE)",  "SelectEverything?",
                   "GetActiveId?",          "SetCurrentLayer(" + kTmp + ")",
                   "SelectEverything?",     "GetActiveId?",
                   "GetIdRange(&,&)?",      "GetActiveKind?",
                   "ConvertActiveToCurves", "StepActive(FALSE)?",
                   "GetActiveId?",          "GetActiveKind?",
                   "SplitActive",           "StepActive(FALSE)?",
                   "GetActiveId?",          "GetActiveKind?",
                   "StepActive(FALSE)?",    "GetActiveId?",
                   "GetActiveKind?",        "ConvertActiveToCurves",
                   "StepActive(FALSE)?",    "GetActiveId?",
                   "ClearSelection"} +
             kDeleteTemp + Lines{"EndBatch?"}},
        {"DoExportCmx nothing selectable",
         {},
         {},
         [out](CCorelOleClient& c) { return c.DoExportCmx(out.c_str(), "", 0); },
         1,
         {"GetActiveId?", "SelectEverything?"}},
        {"DoExportCmx a shape",
         {Obj(1), Obj(2)},
         {1},
         [out](CCorelOleClient& c) { return c.DoExportCmx(out.c_str(), "", 0); },
         0,
         ExportSteps({"GetActiveId?", "GetActiveKind?", "JoinSelection"}, kGroupOfOneShape, joined,
                     out) +
             Restore(joined)},
        {"DoExportCmx nothing selected",
         {Obj(1)},
         {},
         [out](CCorelOleClient& c) { return c.DoExportCmx(out.c_str(), "", 0); },
         0,
         ExportSteps({"GetActiveId?", "SelectEverything?", "GetActiveKind?", "JoinSelection"},
                     kGroupOfOneShape, joined, out) +
             Restore(joined)},
        {"DoExportCmx a group",
         {Group(10, {Obj(1)}), Obj(2)},
         {10},
         [out](CCorelOleClient& c) { return c.DoExportCmx(out.c_str(), "", 0); },
         0,
         ExportSteps({"GetActiveId?", "GetActiveKind?", "GetActiveId?"}, kGroupOfOneShape, 10,
                     out)},
    };
}

} // namespace

TEST(CorelClient, EveryOperationMakesItsCallsInOrder) {
    TempDir dir;
    ClipboardTurn turn;
    for (const Operation& op : Operations(dir.File("out.cmx"))) {
        Session session(op.model, op.selected);
        EXPECT_EQ(op.run(session.client), op.result) << op.name;
        EXPECT_EQ(session.server.Trace(), op.trace) << op.name;
    }
}

// Every call of every operation fails once in turn: the exception reaches the caller and ends the
// sequence there, except where the layer copy fails, which the operation passes over.
TEST(CorelClient, ServerExceptionsPassThroughAllButTheLayerCopy) {
    TempDir dir;
    ClipboardTurn turn;
    for (const Operation& op : Operations(dir.File("out.cmx"))) {
        for (std::size_t k = 0; k < op.trace.size(); ++k) {
            Session session(op.model, op.selected);
            int occurrence = 0;
            DISPID failing = 0;
            {
                // Which call the k-th is, and how many of its kind come before it.
                Session probe(op.model, op.selected);
                op.run(probe.client);
                failing = probe.server.calls()[k].member;
                for (std::size_t i = 0; i <= k; ++i)
                    occurrence += probe.server.calls()[i].member == failing;
            }
            for (HRESULT hr : {DISP_E_EXCEPTION, E_FAIL}) {
                Session failed(op.model, op.selected);
                failed.server.Fail(failing, hr, occurrence);
                const bool caught =
                    failing == 95 ||
                    (hr == E_FAIL && failing == 66 && k == 0 &&
                     (op.name.rfind("IsSelect", 0) == 0 || op.name.rfind("DoExportCmx", 0) == 0));
                const std::string where = op.name + " call " + std::to_string(k) + " hr " +
                                          std::to_string(static_cast<unsigned long>(hr));
                if (caught) {
                    EXPECT_NO_THROW(op.run(failed.client)) << where;
                    continue;
                }
                if (hr == DISP_E_EXCEPTION)
                    EXPECT_THROW(op.run(failed.client), COleDispatchException) << where;
                else
                    EXPECT_THROW(op.run(failed.client), COleException) << where;
                EXPECT_EQ(failed.server.calls().size(), k + 1) << where;
            }
        }
    }
}

TEST(CorelClient, EdgeCasesOfTheOperations) {
    // IsSelect: a server that cannot say gives 0; an exception inside the server passes.
    {
        Session session({Obj(1)}, {1});
        session.server.Fail(DrawMethod::GetActiveId, E_FAIL);
        EXPECT_EQ(session.client.IsSelect(), 0);
        session.server.Fail(DrawMethod::GetActiveId, DISP_E_EXCEPTION);
        EXPECT_THROW(session.client.IsSelect(), COleDispatchException);
    }
    // DoExportCmx: an IsSelect that cannot say is nothing selected.
    {
        TempDir dir;
        Session session;
        session.server.Fail(DrawMethod::GetActiveId, E_FAIL);
        EXPECT_EQ(session.client.DoExportCmx(dir.File("x.cmx").c_str(), "", 0), 1);
        EXPECT_EQ(session.server.Trace(), (Lines{"GetActiveId?", "SelectEverything?"}));
    }
    // CopySelToTempLayer returns 0 whatever the copy raised, and goes on in SelectAll.
    for (HRESULT hr : {DISP_E_EXCEPTION, E_FAIL, DISP_E_TYPEMISMATCH}) {
        Session session({Obj(1)}, {1});
        session.server.Fail(DrawMethod::CopySelectionToLayer, hr);
        EXPECT_EQ(session.client.CopySelToTempLayer(), 0);
        EXPECT_EQ(session.server.calls().back().answer, hr);
    }
    // DoScript ignores its arguments.
    Lines first;
    for (const auto& [a, b, n] : {std::tuple{"", "", 0}, std::tuple{"x.scr", "y", -7}}) {
        Session session({Obj(1), Obj(2, kKindText)}, {1, 2});
        ClipboardTurn turn;
        EXPECT_EQ(session.client.DoScript(a, b, n), 0);
        if (first.empty())
            first = session.server.Trace();
        EXPECT_EQ(session.server.Trace(), first);
    }
}

TEST(CorelClient, WalksComeBackThroughNestedGroupsAndManyObjects) {
    std::vector<DrawObject> many;
    for (LONG id = 1; id <= 60; ++id)
        many.push_back(Obj(id, id % 3 == 0 ? kKindText : kKindShape));
    const std::vector<std::vector<DrawObject>> models = {
        {Group(10, {Obj(1), Group(11, {Obj(2, kKindText), Group(12, {Obj(3)})}), Obj(4)}), Obj(5),
         Group(13, {Group(14, {Obj(6)})})},
        many,
    };
    for (const auto& model : models) {
        Session session(model);
        std::vector<LONG> all;
        for (const DrawObject& object : model)
            all.push_back(object.id);
        session.server.Select(all);
        EXPECT_EQ(session.client.ConvertToCurves(), 0);
        for (LONG kind : Kinds(session.server.layers()[0].objects))
            EXPECT_TRUE(kind == kKindCurves || kind == kKindGroup) << kind;
        EXPECT_EQ(session.server.active(), all.front()) << "the walk ends where it started";
    }
}

// The choice for the restore of a joined export: the joined object is activated and split
// again, whatever group an earlier export remembered.
TEST(CorelClient, TheRestoreSplitsTheJoinedObjectNotAnEarlierGroup) {
    TempDir dir;
    ClipboardTurn turn;
    Session session({Group(5, {Obj(1), Obj(2)}), Obj(3), Obj(4, kKindText)});
    session.server.Select({5});
    EXPECT_EQ(session.client.DoExportCmx(dir.File("group.cmx").c_str(), "", 0), 0);
    session.server.Select({3, 4});
    session.server.ClearCalls();
    EXPECT_EQ(session.client.DoExportCmx(dir.File("shapes.cmx").c_str(), "", 0), 0);
    const Lines trace = session.server.Trace();
    ASSERT_GT(trace.size(), 4u);
    const Lines tail(trace.end() - 4, trace.end());
    const std::string activate = trace[trace.size() - 4];
    EXPECT_EQ(tail, Restore(std::stoi(activate.substr(activate.find('(') + 1))));
    EXPECT_NE(activate, "ActivateById(5)");
    EXPECT_NE(activate, "ActivateById(0)");
    // The drawing is as it was, its shapes converted: the group whole, the joined shapes apart.
    const auto& objects = session.server.layers()[0].objects;
    ASSERT_EQ(session.server.layers().size(), 1u);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].id, 5);
    EXPECT_EQ(objects[0].kind, kKindGroup);
    EXPECT_EQ(objects[1].id, 3);
    EXPECT_EQ(objects[2].id, 4);
    EXPECT_EQ(Kinds(objects),
              (std::vector<LONG>{kKindGroup, kKindCurves, kKindCurves, kKindCurves, kKindCurves}));
}

TEST(CorelClient, ExportsReachTheReaderAsTheModelsShapes) {
    const std::vector<DrawObject> model = {Obj(1), Obj(2, kKindText),
                                           Group(3, {Obj(4), Obj(5, kKindText)})};
    const std::vector<LONG> shapes = {1, 2, 4, 5};
    TempDir dir;
    ClipboardTurn turn;
    {
        Session session(model);
        const std::string path = dir.File("export.cmx");
        EXPECT_EQ(session.client.LoadCDR7(dir.File("drawing.cdr").c_str()), 1);
        EXPECT_EQ(session.client.ExportASCmx(path.c_str()), 1);
        CCmxParser parser;
        ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
        ExpectPaths(parser.GetDrawing(), shapes);
    }
    {
        Session session(model);
        EXPECT_EQ(session.client.ExportASCmxInClipBoard(), 1);
        CCmxParser parser;
        ASSERT_EQ(parser.LoadCmxFromClipBoard(), 1);
        ExpectPaths(parser.GetDrawing(), shapes);
    }
    {
        // The prepared export: the selection converted, on the temporary layer, which goes.
        Session session(model, {1, 3});
        const std::string path = dir.File("prepared.cmx");
        EXPECT_EQ(session.client.DoExportCmx(path.c_str(), "", 0), 0);
        CCmxParser parser;
        ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
        ExpectPaths(parser.GetDrawing(), {1, 4, 5});
        EXPECT_EQ(session.server.FindLayer("~~tmp~~"), nullptr);
    }
}

// A server whose walk never comes back: every walk stops after 100,000 steps with the dispatch
// exception of a server failure, saying so; a walk that nests without end goes as deep.
TEST(CorelClient, AWalkThatNeverComesBackEndsAtTheLimit) {
    struct Case {
        const char* name;
        LONG lostKind;
        std::function<void(CCorelOleClient&)> run;
    };
    const Case cases[] = {
        {"ConvertToCurves, nothing active", 0, [](CCorelOleClient& c) { c.ConvertToCurves(); }},
        {"ConvertToCurves, groups without end", kKindGroup,
         [](CCorelOleClient& c) { c.ConvertToCurves(); }},
        {"DoScript, nothing active", 0, [](CCorelOleClient& c) { c.DoScript("", "", 0); }},
    };
    ClipboardTurn turn;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session session({Obj(1), Obj(2)}, {1, 2});
        session.server.SetCallBudget(1000000);
        session.server.LoseTheWalk(c.lostKind);
        try {
            c.run(session.client);
            ADD_FAILURE() << "the walk ended";
        } catch (const COleDispatchException& e) {
            EXPECT_NE(e.m_wCode, 0);
            EXPECT_NE(std::string(e.m_strDescription).find("did not come back"), std::string::npos)
                << e.m_strDescription;
        }
        std::size_t steps = 0;
        for (const RecordedCall& call : session.server.calls())
            steps += call.member == DrawMethod::StepActive;
        EXPECT_EQ(steps, 100000u);
    }
}
