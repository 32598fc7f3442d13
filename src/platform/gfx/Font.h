#pragma once

// A font at a size. Every font name the system asks for goes through one table
// that maps it to a family installed on this machine; CJK text defaults to
// "WenQuanYi Micro Hei". Copies share their metrics.

#include <memory>
#include <optional>
#include <string>

typedef struct _PangoFontDescription PangoFontDescription;

namespace pw::gfx {

enum class FontWeight { Regular, Bold };

class Font {
public:
    static constexpr const char* kDefaultFamily = "WenQuanYi Micro Hei";

    // The font a name stands for, or nullopt when the table does not know the name
    // and no installed family carries it (callers then take the system font).
    static std::optional<Font> named(const std::string& name, double size);
    static Font systemFont(double size);
    static Font boldSystemFont(double size);
    // The installed family (and weight) that a requested name maps to.
    static std::optional<std::string> familyForName(const std::string& name);
    static bool isFamilyInstalled(const std::string& family);

    // The name the caller asked for ("STHeitiK-Light"), not the family behind it.
    const std::string& name() const;
    const std::string& family() const;
    double size() const;
    FontWeight weight() const;
    Font withSize(double size) const;

    // Metrics in points, positive distances from the baseline.
    double ascent() const;
    double descent() const;
    double leading() const;
    double lineHeight() const { return ascent() + descent() + leading(); }

    // Owned by the font; valid as long as any copy lives.
    const PangoFontDescription* description() const;

    friend bool operator==(const Font& l, const Font& r);

    struct Data;

private:
    explicit Font(std::shared_ptr<const Data> d) : m_d(std::move(d)) {}
    static Font make(const std::string& name, const std::string& family, FontWeight weight, double size);
    std::shared_ptr<const Data> m_d;
};

} // namespace pw::gfx
