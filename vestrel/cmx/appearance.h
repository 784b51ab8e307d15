// How each object of a loaded drawing looks: its fill, its outline, whether it is closed. Read
// only when a caller asks for it, and kept beside the drawing, never in its records or the job.
#pragma once

#include "vestrel/frame/vestrel_api.h"

#include "drawset/grobj.h"

#include <unordered_map>
#include <vector>

struct VESTREL_API CCmxAppearance {
    enum class FillKind {
        none,           // no fill, or a fill that gives no colour
        uniform,        // the fill's own colour
        representative, // one colour standing for a fountain's blend
    };
    FillKind fill = FillKind::none;
    unsigned long fillColor = 0; // 0x00BBGGRR, as the colour map holds it

    bool outline = false;
    unsigned long outlineColor = 0;
    // In drawing units; 0 is the finest line the writer draws.
    double outlineWidth = 0;
    // Dash and gap lengths alternating, in outline widths as the writer's dash patterns count
    // them; empty for a solid line.
    std::vector<double> dashes;
    unsigned char cap = 0;  // 0 butt, 1 round, 2 square
    unsigned char join = 0; // 0 miter, 1 round, 2 bevel

    // A closed sub-path; open ones are never filled.
    bool closed = false;
};

// The appearance of the objects of one drawing list, by object.
class VESTREL_API CCmxAppearances {
public:
    // Null for objects that have none (groups, bitmaps, objects of another list).
    const CCmxAppearance* Find(const CGrObj* object) const {
        auto at = byObject_.find(object);
        return at == byObject_.end() ? nullptr : &at->second;
    }
    void Set(const CGrObj* object, const CCmxAppearance& appearance) {
        byObject_[object] = appearance;
    }
    void Clear() {
        byObject_.clear();
        viewWidth_ = viewHeight_ = 0;
    }
    std::size_t Count() const { return byObject_.size(); }

    // The drawing's bounding box as the header gives it, in drawing units from the drawing's
    // origin at its lower left: the area the writer's own preview shows.
    void SetView(double width, double height) {
        viewWidth_ = width;
        viewHeight_ = height;
    }
    double GetViewWidth() const { return viewWidth_; }
    double GetViewHeight() const { return viewHeight_; }

private:
    std::unordered_map<const CGrObj*, CCmxAppearance> byObject_;
    double viewWidth_ = 0;
    double viewHeight_ = 0;
};
