// Portable windows: message maps and their bases, children in their parent.
#include "platform/wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Listener : public CWnd {
public:
    std::vector<std::string> heard;
    int createResult = 0;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT createStruct) {
        heard.push_back(std::string("create ") + createStruct->lpszName);
        return createResult;
    }
    afx_msg void OnPaint() {
        heard.push_back("paint");
        Default();
    }
    afx_msg void OnChange() { heard.push_back("change"); }
    afx_msg LRESULT OnAsk(WPARAM wParam, LPARAM lParam) {
        return static_cast<LRESULT>(wParam) + lParam;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Listener, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
ON_EN_CHANGE(5, OnChange)
ON_MESSAGE(WM_USER + 1, OnAsk)
END_MESSAGE_MAP()

class Derived : public Listener {
protected:
    afx_msg void OnPaint() {
        heard.push_back("derived paint");
        CPaintDC dc(this);
    }
    afx_msg void OnMove(int x, int y) {
        heard.push_back("move " + std::to_string(x) + " " + std::to_string(y));
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Derived, Listener)
ON_WM_PAINT()
ON_WM_MOVE()
END_MESSAGE_MAP()

} // namespace

TEST(MessageMap, TheClassFirstThenItsBasesThenTheDefault) {
    CWnd parent;
    parent.MoveWindow(10, 20, 100, 100);
    Derived child;
    ASSERT_TRUE(child.Create("STATIC", "name", WS_CHILD, CRect(5, 5, 25, 15), &parent, 7));
    EXPECT_EQ(parent.GetDlgItem(7), &child);
    EXPECT_EQ(child.GetParent(), &parent);
    CRect place;
    child.GetWindowRect(place);
    EXPECT_EQ(place, CRect(15, 25, 35, 35));

    child.UpdateWindow();
    EXPECT_FALSE(child.GetUpdateRect(nullptr));
    child.UpdateWindow(); // nothing due
    child.SendMessage(WM_COMMAND, MAKEWPARAM(5, EN_CHANGE));
    EXPECT_EQ(child.SendMessage(WM_COMMAND, MAKEWPARAM(6, EN_CHANGE)), 0);
    EXPECT_EQ(child.SendMessage(WM_USER + 1, 2, 3), 5);
    child.SendMessage(WM_MOVE, 0, MAKELPARAM(-3, 4));
    EXPECT_EQ(child.SendMessage(WM_USER + 2, 1, 1), 0);
    EXPECT_EQ(child.heard,
              (std::vector<std::string>{"create name", "derived paint", "change", "move -3 4"}));

    // Default reaches the window's own handling: a paint without one validates.
    Listener plain;
    plain.MoveWindow(0, 0, 4, 4);
    plain.UpdateWindow();
    EXPECT_EQ(plain.heard, std::vector<std::string>{"paint"});
    EXPECT_FALSE(plain.GetUpdateRect(nullptr));

    EXPECT_TRUE(child.DestroyWindow());
    EXPECT_EQ(parent.GetDlgItem(7), nullptr);
    EXPECT_EQ(child.GetParent(), nullptr);
    EXPECT_FALSE(child.DestroyWindow());
}

TEST(MessageMap, ACreationRefusedByTheWindowLeavesNoChild) {
    CWnd parent;
    Listener child;
    child.createResult = -1;
    EXPECT_FALSE(child.Create("STATIC", "refused", WS_CHILD, CRect(0, 0, 5, 5), &parent, 8));
    EXPECT_EQ(parent.GetDlgItem(8), nullptr);
    child.createResult = 0;
    EXPECT_TRUE(child.Create("STATIC", "taken", WS_CHILD, CRect(0, 0, 5, 5), &parent, 8));
    EXPECT_EQ(parent.GetDlgItem(8), &child);
    EXPECT_EQ(child.GetDlgCtrlID(), 8);
    EXPECT_EQ(child.GetStyle(), DWORD{WS_CHILD});
    // An object holds one window at a time.
    EXPECT_FALSE(child.Create("STATIC", "second", WS_CHILD, CRect(0, 0, 5, 5), &parent, 9));
    EXPECT_EQ(parent.GetDlgItem(9), nullptr);
    EXPECT_EQ(child.GetDlgCtrlID(), 8);
}
