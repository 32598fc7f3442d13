#include "platform/gfx/Font.h"

#include "platform/gfx/PangoShared.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <map>
#include <mutex>
#include <tuple>

// Fontconfig, Pango and Cairo keep process-wide font caches for the life of the
// process and offer no safe way to empty them while their own helper threads may
// still hold entries. The leak checker of sanitizer builds is told to ignore
// them; every leak of our own is still reported. (Defined once, here, for every
// program that draws text.)
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n";
}

namespace pw::gfx {

namespace detail {

namespace {
struct ThreadContext {
    PangoContext* ctx = nullptr;
    ThreadContext() {
        ctx = pango_font_map_create_context(pango_cairo_font_map_get_default());
        cairo_font_options_t* opts = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(ctx, opts);
        cairo_font_options_destroy(opts);
        pango_context_set_language(ctx, pango_language_from_string("zh-cn"));
        pango_context_set_round_glyph_positions(ctx, FALSE);
    }
    ~ThreadContext() {
        g_object_unref(ctx);
        // Drops this thread's font map now rather than leaving it to the thread's
        // end (which never comes for the main thread).
        pango_cairo_font_map_set_default(nullptr);
    }
};

} // namespace

PangoContext* threadPangoContext() {
    thread_local ThreadContext tc;
    return tc.ctx;
}

} // namespace detail

struct Font::Data {
    std::string name;
    std::string family;
    FontWeight weight = FontWeight::Regular;
    double size = 0;
    PangoFontDescription* desc = nullptr;
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    ~Data() {
        if (desc)
            pango_font_description_free(desc);
    }
};

namespace {

struct TableEntry {
    const char* name;
    const char* family;
    FontWeight weight;
};

// Every font name the system asks for, and what stands for it here. The reading
// font and the interface texts are Chinese; the Latin display faces map to DejaVu.
const TableEntry kFontTable[] = {
    {"STHeitiK-Light", Font::kDefaultFamily, FontWeight::Regular},
    {"STHeitiK-Medium", Font::kDefaultFamily, FontWeight::Bold},
    {"STHeitiSC-Light", Font::kDefaultFamily, FontWeight::Regular},
    {"STHeitiSC-Medium", Font::kDefaultFamily, FontWeight::Bold},
    {"HelveticaNeue", "DejaVu Sans", FontWeight::Regular},
    {"HelveticaNeue-Bold", "DejaVu Sans", FontWeight::Bold},
    {"Helvetica", "DejaVu Sans", FontWeight::Regular},
    {"Helvetica-Bold", "DejaVu Sans", FontWeight::Bold},
    {"system", Font::kDefaultFamily, FontWeight::Regular},
    {"system-bold", Font::kDefaultFamily, FontWeight::Bold},
};

std::mutex g_cacheMutex;

std::map<std::tuple<std::string, int, double>, std::weak_ptr<const Font::Data>>& cache() {
    static auto* c = new std::map<std::tuple<std::string, int, double>, std::weak_ptr<const Font::Data>>();
    return *c;
}

} // namespace

bool Font::isFamilyInstalled(const std::string& family) {
    static std::mutex m;
    static std::map<std::string, bool>* known = new std::map<std::string, bool>();
    std::lock_guard lock(m);
    auto it = known->find(family);
    if (it != known->end())
        return it->second;
    bool found = false;
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fs = FcFontList(nullptr, pat, os);
    found = fs && fs->nfont > 0;
    if (fs)
        FcFontSetDestroy(fs);
    FcObjectSetDestroy(os);
    FcPatternDestroy(pat);
    (*known)[family] = found;
    return found;
}

std::optional<std::string> Font::familyForName(const std::string& name) {
    for (const auto& e : kFontTable)
        if (name == e.name)
            return std::string(e.family);
    if (!name.empty() && isFamilyInstalled(name))
        return name;
    return std::nullopt;
}

Font Font::make(const std::string& name, const std::string& family, FontWeight weight, double size) {
    if (!(size > 0))
        size = 1;
    std::lock_guard lock(g_cacheMutex);
    auto key = std::make_tuple(name, static_cast<int>(weight), size);
    if (auto it = cache().find(key); it != cache().end())
        if (auto d = it->second.lock())
            return Font(std::move(d));

    auto d = std::make_shared<Data>();
    d->name = name;
    d->family = family;
    d->weight = weight;
    d->size = size;
    d->desc = pango_font_description_new();
    pango_font_description_set_family(d->desc, family.c_str());
    pango_font_description_set_weight(d->desc, weight == FontWeight::Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(d->desc, size * PANGO_SCALE);
    PangoFontMetrics* m = pango_context_get_metrics(detail::threadPangoContext(), d->desc, nullptr);
    d->ascent = static_cast<double>(pango_font_metrics_get_ascent(m)) / PANGO_SCALE;
    d->descent = static_cast<double>(pango_font_metrics_get_descent(m)) / PANGO_SCALE;
    double height = static_cast<double>(pango_font_metrics_get_height(m)) / PANGO_SCALE;
    d->leading = std::max(0.0, height - d->ascent - d->descent);
    pango_font_metrics_unref(m);
    cache()[key] = d;
    return Font(std::move(d));
}

std::optional<Font> Font::named(const std::string& name, double size) {
    for (const auto& e : kFontTable)
        if (name == e.name)
            return make(name, e.family, e.weight, size);
    if (!name.empty() && isFamilyInstalled(name))
        return make(name, name, FontWeight::Regular, size);
    return std::nullopt;
}

Font Font::systemFont(double size) {
    return make("system", kDefaultFamily, FontWeight::Regular, size);
}

Font Font::boldSystemFont(double size) {
    return make("system-bold", kDefaultFamily, FontWeight::Bold, size);
}

const std::string& Font::name() const {
    return m_d->name;
}
const std::string& Font::family() const {
    return m_d->family;
}
double Font::size() const {
    return m_d->size;
}
FontWeight Font::weight() const {
    return m_d->weight;
}
double Font::ascent() const {
    return m_d->ascent;
}
double Font::descent() const {
    return m_d->descent;
}
double Font::leading() const {
    return m_d->leading;
}
const PangoFontDescription* Font::description() const {
    return m_d->desc;
}

Font Font::withSize(double size) const {
    return make(m_d->name, m_d->family, m_d->weight, size);
}

bool operator==(const Font& l, const Font& r) {
    return l.m_d == r.m_d || (l.m_d->name == r.m_d->name && l.m_d->family == r.m_d->family &&
                              l.m_d->weight == r.m_d->weight && l.m_d->size == r.m_d->size);
}

} // namespace pw::gfx
