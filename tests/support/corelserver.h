// A simulated CorelDRAW automation server: an IDispatch that answers the DISPIDs the client uses
// with a small drawing of its own, records every call, and fails the calls it is told to fail.
// Arguments are read through DispGetParam, so on Windows they pass through OLEAUT32's
// conversions as a real server's do.
#pragma once

#include "tests/support/cmxbuilder.h"

#include "platform/oleauto.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cmxtest {

// Kinds of objects: the client converts kinds 4 and 6 (6 only in the conversion mode with
// option 0x835F) to curves and walks into groups, kind 12.
constexpr LONG kKindCurves = 3;
constexpr LONG kKindShape = 4;
constexpr LONG kKindText = 6;
constexpr LONG kKindGroup = 12;

struct DrawObject {
    LONG id = 0;
    LONG kind = kKindShape;
    std::vector<DrawObject> members; // a group's, never empty
    LONG shape = 0;                  // what its poly-line looks like: copies keep the original's
};

// Object helpers for building models: a group holds at least one member.
DrawObject Obj(LONG id, LONG kind = kKindShape);
DrawObject Group(LONG id, std::vector<DrawObject> members);

struct DrawLayer {
    std::string name;
    std::vector<DrawObject> objects;
};

struct RecordedArgument {
    VARTYPE vt = VT_EMPTY; // as the caller passed it
    LONG number = 0;       // VT_I4, VT_BOOL, and the target of VT_I4 | VT_BYREF before the call
    std::string text;      // VT_BSTR
};

struct RecordedCall {
    DISPID member = 0;
    WORD flags = 0;
    std::vector<RecordedArgument> arguments; // in the order the method declares them
    bool resultWanted = false;
    HRESULT answer = S_OK;
};

// The system's IDispatch has a public destructor that is not virtual; the server is destroyed
// as itself only.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class SimulatedCorel : public IDispatch {
public:
    // A drawing with one layer, "Layer 1", holding objects; nothing is selected.
    explicit SimulatedCorel(std::vector<DrawObject> objects = {});
    virtual ~SimulatedCorel();
    SimulatedCorel(const SimulatedCorel&) = delete;
    SimulatedCorel& operator=(const SimulatedCorel&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // Selects top-level objects of the current layer; the first becomes the active one.
    void Select(const std::vector<LONG>& ids);
    // The count-th call of member from now on answers with hr; DISP_E_EXCEPTION comes with an
    // EXCEPINFO (code 1001, description "simulated failure").
    void Fail(DISPID member, HRESULT hr, int count = 1);
    // The next call of member that wants a result gets this value as it is.
    void Reply(DISPID member, const VARIANT& value) { replies_[member] = value; }
    // Calls beyond the budget fail with a server exception and mark the server overspent, so that
    // a walk that never comes back to its start ends a test rather than hanging it.
    void SetCallBudget(std::size_t calls) { budget_ = calls; }
    // From now on every step makes active an object never active before, of this kind (as when
    // objects are deleted under the walk), or, with kind 0, none at all: no walk comes back.
    void LoseTheWalk(LONG kind) {
        lost_ = true;
        lostKind_ = kind;
    }
    bool Overspent() const { return overspent_; }

    const std::vector<RecordedCall>& calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The calls as text, one a line: the method's name, its arguments (strings in quotes, TRUE
    // and FALSE for VT_BOOL, numbers for VT_I4, & for a reference), and ? when a result was
    // asked for: CreateLayer("~~tmp~~"), StepActive(TRUE)?, GetIdRange(&,&)?.
    std::vector<std::string> Trace() const;
    static const char* MethodName(DISPID member);

    const std::vector<DrawLayer>& layers() const { return layers_; }
    const DrawLayer* FindLayer(const std::string& name) const;
    LONG active() const { return active_; }
    const std::vector<LONG>& selection() const { return selection_; }
    const std::string& openedPath() const { return openedPath_; }
    ULONG references() const { return references_; }

    // The CMX file of objects, as the export writes it: one poly-line per object that is no
    // group, members in order, its points derived from its shape (ShapePoints).
    static Bytes CmxOf(const std::vector<DrawObject>& objects);
    // The points of the poly-line written for a shape, in drawing units.
    static std::vector<std::pair<double, double>> ShapePoints(LONG shape);

private:
    struct Frame {
        LONG group;
        bool completed; // the walk in the group came back to its first member
    };

    HRESULT Dispatch(DISPID member, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                     UINT* argumentError);
    HRESULT Raise(EXCEPINFO* exception, const std::string& description);

    DrawObject* Find(LONG id);
    DrawLayer& Current() { return layers_[current_]; }
    std::vector<LONG> WalkList();
    void Advance();
    BOOL Step(bool enterGroups);
    void ClearSelection();
    HRESULT CopyToLayer(const std::string& name, EXCEPINFO* exception);
    DrawObject Copy(const DrawObject& object);
    std::vector<DrawObject> SelectedObjects();

    std::vector<DrawLayer> layers_;
    std::size_t current_ = 0;
    std::vector<LONG> selection_; // top-level objects of the current layer
    LONG active_ = 0;
    std::vector<Frame> frames_; // the groups the walk has entered, innermost last
    bool layerScope_ = false;
    bool convertMode_ = false;
    LONG convertOption_ = 0;
    LONG nextId_ = 1000;
    std::string openedPath_;

    std::vector<RecordedCall> calls_;
    std::map<DISPID, std::pair<int, HRESULT>> failures_;
    std::map<DISPID, VARIANT> replies_;
    std::size_t budget_ = 5000;
    bool overspent_ = false;
    bool lost_ = false;
    LONG lostKind_ = 0;
    ULONG references_ = 1;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

} // namespace cmxtest
