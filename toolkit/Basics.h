// The toolkit's value types and its reference-counted base.
#pragma once

#include <cstdint>

namespace VSTGUI {

// Pixels, origin at the top left, y growing downwards.
struct CPoint {
    std::int32_t h = 0;
    std::int32_t v = 0;
    bool operator==(const CPoint&) const = default;
};

struct CRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    CRect& offset(std::int32_t x, std::int32_t y)
    {
        left += x;
        right += x;
        top += y;
        bottom += y;
        return *this;
    }
    bool operator==(const CRect&) const = default;
};

struct CColor {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const CColor&) const = default;
};

inline constexpr CColor kTransparentCColor{255, 255, 255, 0};
inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kGreyCColor{127, 127, 127, 255};
inline constexpr CColor kRedCColor{255, 0, 0, 255};
inline constexpr CColor kGreenCColor{0, 255, 0, 255};
inline constexpr CColor kBlueCColor{0, 0, 255, 255};
inline constexpr CColor kYellowCColor{255, 255, 0, 255};
inline constexpr CColor kMagentaCColor{255, 0, 255, 255};
inline constexpr CColor kCyanCColor{0, 255, 255, 255};

// Mouse buttons and modifiers.
enum : std::int32_t {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
    kApple = 64,  // never set on this platform
    kAnyModifier = kShift | kControl | kAlt | kApple,
};

// A key as views take it: the character, a named key for those that have
// no character, and the modifiers held (kShift, kControl, kAlt).
enum class VirtualKey : std::uint8_t { none, tab, left, up, right, down, other };

struct KeyCode {
    std::int32_t character = 0;
    VirtualKey virt = VirtualKey::none;
    std::int32_t modifiers = 0;
};

// Counted objects start at 1; the last releaseRef destroys them.
class CReferenceCounter {
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;

    virtual ~CReferenceCounter() = default;
    virtual void releaseRef()
    {
        if (--count_ == 0)
            delete this;
    }
    virtual void addRef() { ++count_; }

    std::int32_t referenceCount() const { return count_; }

private:
    std::int32_t count_ = 1;
};

}  // namespace VSTGUI
