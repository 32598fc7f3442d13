#pragma once

// A drawing context over Cairo: graphics state with save/restore, transforms,
// clipping, paths, fills and strokes, gradients, images and text. User space is in
// points with y growing downwards; the context's scale maps points to pixels.

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/TextLayout.h"

#include <string_view>
#include <vector>

typedef struct _cairo cairo_t;

namespace pw::gfx {

enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };
enum class BlendMode { Normal, Copy, Clear, Multiply, Screen, SourceAtop, DestinationIn, DestinationOut };

struct GradientStop {
    double location = 0; // 0..1
    Color color;
};

// Whether a gradient also paints beyond its end points.
enum GradientExtend : unsigned { GradientExtendNone = 0, GradientDrawsBeforeStart = 1, GradientDrawsAfterEnd = 2 };

class Context {
public:
    // Draws through an existing Cairo context (takes its own reference).
    explicit Context(cairo_t* cr);
    // Draws onto a surface; `scale` pixels per point.
    explicit Context(cairo_surface_t* surface, double scale = 1);
    virtual ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    cairo_t* cairo() const { return m_cr; }

    // --- state ---
    void save();
    void restore();
    void translate(double x, double y);
    void scale(double sx, double sy);
    void rotate(double radians);
    void concat(const AffineTransform& t);
    // User space (points) to the base space of the context, scale not included.
    AffineTransform ctm() const;
    bool isFlipped() const; // y grows upwards in user space

    void setFillColor(const Color& c);
    void setStrokeColor(const Color& c);
    const Color& fillColor() const { return m_state.fill; }
    const Color& strokeColor() const { return m_state.stroke; }
    void setAlpha(double alpha);
    double alpha() const { return m_state.alpha; }
    void setLineWidth(double w);
    void setLineCap(LineCap cap);
    void setLineJoin(LineJoin join);
    void setMiterLimit(double limit);
    void setLineDash(double phase, const std::vector<double>& lengths);
    void setBlendMode(BlendMode mode);
    void setShouldAntialias(bool on);

    // --- clipping ---
    void clipToRect(const Rect& r);
    void clip(bool evenOdd = false); // to the current path, which is consumed
    Rect clipBoundingBox() const;

    // --- paths ---
    void beginPath();
    void moveTo(Point p);
    void lineTo(Point p);
    void curveTo(Point c1, Point c2, Point end);
    void quadCurveTo(Point c, Point end);
    void closePath();
    void addRect(const Rect& r);
    void addEllipse(const Rect& r);
    // Angles in radians from the +x axis; clockwise as seen on screen (y down).
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
    // Tangent arc from the current point towards p1 then p2.
    void addArcToPoint(Point p1, Point p2, double radius);
    void addRoundedRect(const Rect& r, double radius);
    bool isPathEmpty() const;
    Point currentPoint() const;
    Rect pathBoundingBox() const;

    void fillPath(bool evenOdd = false);
    void strokePath();
    void fillRect(const Rect& r);
    void strokeRect(const Rect& r);
    // Makes the rect fully transparent (or black on an opaque surface).
    void clearRect(const Rect& r);
    void fillEllipse(const Rect& r);
    void strokeEllipse(const Rect& r);

    // --- gradients, clipped to the current clip ---
    void drawLinearGradient(const std::vector<GradientStop>& stops, Point start, Point end,
                            unsigned extend = GradientDrawsBeforeStart | GradientDrawsAfterEnd);
    void drawRadialGradient(const std::vector<GradientStop>& stops, Point startCenter, double startRadius,
                            Point endCenter, double endRadius,
                            unsigned extend = GradientDrawsBeforeStart | GradientDrawsAfterEnd);

    // --- images ---
    // Scaled into the rect; stretchable images keep their caps unscaled.
    void drawImage(const Image& image, const Rect& rect);
    // Natural size, top left at the point.
    void drawImage(const Image& image, Point topLeft);
    // Repeats the image at its natural size from the rect's origin.
    void drawTiledImage(const Image& image, const Rect& rect);

    // --- text, in the fill colour ---
    // One line, the top of the line box at `topLeft`; returns its size.
    Size drawText(std::string_view utf8, Point topLeft, const Font& font);
    // Wrapped within the rect and clipped to it; returns the size used.
    Size drawText(std::string_view utf8, const Rect& rect, const Font& font,
                  LineBreakMode mode = LineBreakMode::WordWrap, TextAlignment alignment = TextAlignment::Left);

protected:
    friend class TextLayout;
    // Sets the Cairo source to a colour: solid, or a pattern tiled from the base
    // space's origin (transforms move what is filled, not the tiles).
    void applySource(const Color& c);
    void paintWithAlpha();

    struct State {
        Color fill = Color::black();
        Color stroke = Color::black();
        double alpha = 1;
    };
    cairo_t* m_cr = nullptr;
    State m_state;
    std::vector<State> m_saved;
};

} // namespace pw::gfx
