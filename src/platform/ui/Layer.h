#pragma once
// A node of the render tree. Every view has one; layers can also stand alone
// (pictures with a gravity, gradients, masks). Geometry is the position of the
// anchor point in the superlayer, the bounds, and a transform about the anchor.
#include "platform/gfx/Color.h"
#include "platform/gfx/Context.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Animation.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pw::ui {

class Layer;

enum class ContentsGravity {
    Resize,
    ResizeAspect,
    ResizeAspectFill,
    Center,
    Top,
    Bottom,
    Left,
    Right,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};

// The animatable part of a layer: the model values, and the presentation
// values that animations compute from them.
struct LayerState {
    gfx::Point position;
    gfx::Rect bounds;
    gfx::Point anchorPoint{0.5, 0.5};
    gfx::AffineTransform transform;
    double opacity = 1;
    gfx::Color backgroundColor = gfx::Color::clear();
    gfx::Color borderColor = gfx::Color::black();
    double borderWidth = 0;
    double cornerRadius = 0;
    gfx::Color shadowColor = gfx::Color::black();
    double shadowOpacity = 0;
    gfx::Size shadowOffset{0, -3};
    double shadowRadius = 3;
    gfx::Rect contentsRect{0, 0, 1, 1};

    // Maps the layer's own (bounds) coordinates into its superlayer's.
    gfx::AffineTransform toSuperlayer() const;
    gfx::Rect frame() const;
};

// Reads and writes a state value by key path (see PropertyAnimation).
std::optional<AnimationValue> layerStateValue(const LayerState& s, const std::string& keyPath);
void setLayerStateValue(LayerState& s, const std::string& keyPath, const AnimationValue& v);

class LayerDelegate {
public:
    virtual ~LayerDelegate() = default;
    // Draws the layer's own content in its bounds coordinates.
    virtual void drawLayer(Layer& layer, gfx::Context& ctx) = 0;
};

// The owner of a root layer learns where its tree needs redrawing.
class LayerHost {
public:
    virtual ~LayerHost() = default;
    virtual void layerTreeNeedsRedraw(const gfx::Rect& rectInRoot) = 0;
    // The tree is on screen: implicit animations of free-standing layers run.
    virtual bool layerTreeIsVisible() const { return true; }
};

class Layer : public std::enable_shared_from_this<Layer> {
public:
    static std::shared_ptr<Layer> create() { return std::shared_ptr<Layer>(new Layer()); }
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // --- geometry (model values) ---
    gfx::Point position() const { return m_model.position; }
    void setPosition(gfx::Point p);
    gfx::Rect bounds() const { return m_model.bounds; }
    void setBounds(const gfx::Rect& r);
    gfx::Point anchorPoint() const { return m_model.anchorPoint; }
    void setAnchorPoint(gfx::Point p);
    gfx::AffineTransform transform() const { return m_model.transform; }
    void setTransform(const gfx::AffineTransform& t);
    gfx::Rect frame() const { return m_model.frame(); }
    void setFrame(const gfx::Rect& r);

    // --- appearance ---
    double opacity() const { return m_model.opacity; }
    void setOpacity(double o);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool h);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool m);
    gfx::Color backgroundColor() const { return m_model.backgroundColor; }
    void setBackgroundColor(const gfx::Color& c);
    double cornerRadius() const { return m_model.cornerRadius; }
    void setCornerRadius(double r);
    double borderWidth() const { return m_model.borderWidth; }
    void setBorderWidth(double w);
    gfx::Color borderColor() const { return m_model.borderColor; }
    void setBorderColor(const gfx::Color& c);
    void setShadowColor(const gfx::Color& c);
    double shadowOpacity() const { return m_model.shadowOpacity; }
    void setShadowOpacity(double o);
    void setShadowOffset(gfx::Size s);
    void setShadowRadius(double r);
    const gfx::Image& contents() const { return m_contents; }
    void setContents(gfx::Image image);
    ContentsGravity contentsGravity() const { return m_gravity; }
    void setContentsGravity(ContentsGravity g);
    void setContentsRect(const gfx::Rect& unitRect);
    const std::string& name() const { return m_name; }
    void setName(std::string n) { m_name = std::move(n); }

    // A layer whose alpha masks this one (drawn in this layer's coordinates).
    void setMask(std::shared_ptr<Layer> mask);
    const std::shared_ptr<Layer>& mask() const { return m_mask; }

    // --- tree ---
    Layer* superlayer() const { return m_superlayer; }
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return m_sublayers; }
    void addSublayer(std::shared_ptr<Layer> layer);
    void insertSublayer(std::shared_ptr<Layer> layer, size_t index);
    void insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling);
    void insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling);
    void removeFromSuperlayer();
    Layer* rootLayer();

    void setDelegate(LayerDelegate* d) { m_delegate = d; }
    LayerDelegate* delegate() const { return m_delegate; }
    void setHost(LayerHost* host);
    LayerHost* host() const { return m_host; }
    bool isInVisibleTree() const;

    // --- drawing ---
    void setNeedsDisplay();
    void setNeedsDisplayInRect(const gfx::Rect& r);
    // Draws this layer and its sublayers (presentation values) into ctx, whose
    // current space is the superlayer's.
    void render(gfx::Context& ctx) const;
    // Draws the layer alone (its own coordinates, origin at bounds origin) into a new image.
    gfx::Image snapshot(double scale = 1) const;
    // Draws own content (background, contents, delegate, border) in bounds coordinates.
    virtual void drawContent(gfx::Context& ctx) const;
    // How far the layer's own drawing may reach past its bounds: antialiased
    // edges, the border, the shadow, and text a delegate lets run over (its
    // drawing is clipped there).
    double drawingOverhang(const LayerState& s) const;
    static constexpr double kDelegateOverhang = 8;

    // --- animations ---
    void addAnimation(std::shared_ptr<Animation> animation, const std::string& key);
    void removeAnimation(const std::string& key);
    void removeAllAnimations();
    std::shared_ptr<Animation> animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    bool hasAnimations() const { return !m_animations.empty(); }
    // The values as animations show them now.
    LayerState presentation() const;
    const LayerState& model() const { return m_model; }
    // Advances animations: starts, removes finished ones and reports their ends.
    void tickAnimations(double now);

    // Free-standing layers animate property changes on their own (unless the
    // transaction disables it); a view's layer animates only inside view animations.
    void setImplicitAnimations(bool on) { m_implicit = on; }

    // Where the layer was last drawn, in root coordinates: its own drawing
    // (border and shadow included), and its whole tree's (sublayers sticking
    // out of an unclipped parent included). Empty when it was not drawn.
    const gfx::Rect& paintedRect() const { return m_paintedOwn; }
    const gfx::Rect& paintedTreeRect() const { return m_paintedTree; }

    // Rect of this layer (with presentation values) in root coordinates.
    gfx::Rect rectInRoot(const gfx::Rect& localRect, bool presentation) const;
    // Maps a point from root coordinates into this layer's own coordinates (model values).
    gfx::AffineTransform transformToRoot(bool presentation) const;

protected:
    Layer();
    // Records a change of an animatable property, creating an implicit or block
    // animation when one is due, then marks the layer for redraw.
    void propertyWillChange(const char* key, const AnimationValue& oldValue, const AnimationValue& newValue);
    // What the layer draws changed, not where: its last drawn place is marked.
    void contentChanged();
    // Where the layer or its tree draws may have changed: the next frame marks
    // the last drawn place and the new one, read at the frame's time.
    void placeChanged();
    void invalidate(const gfx::Rect& localRect);

private:
    bool insertSublayerBeside(const std::shared_ptr<Layer>& layer, const Layer* sibling, size_t offset);
    template <class T>
    void setAnimatable(const char* key, T& field, const T& value);
    void renderWithState(gfx::Context& ctx, const LayerState& s) const;
    void renderTransition(gfx::Context& ctx, const LayerState& s, const Transition& t, double progress) const;
    void drawTree(gfx::Context& ctx, const LayerState& s) const;
    void drawContentWithState(gfx::Context& ctx, const LayerState& s) const;
    double localNow() const;

    LayerState m_model;
    bool m_hidden = false;
    bool m_masksToBounds = false;
    bool m_implicit = true;
    gfx::Image m_contents;
    ContentsGravity m_gravity = ContentsGravity::Resize;
    std::string m_name;
    std::shared_ptr<Layer> m_mask;
    Layer* m_superlayer = nullptr;
    std::vector<std::shared_ptr<Layer>> m_sublayers;
    LayerDelegate* m_delegate = nullptr;
    LayerHost* m_host = nullptr;
    std::vector<std::pair<std::string, std::shared_ptr<Animation>>> m_animations;
    bool m_registered = false;
    // Repaint bookkeeping (see RepaintQueue).
    Layer* m_maskOwner = nullptr;
    gfx::Rect m_paintedOwn;
    gfx::Rect m_paintedTree;
    bool m_paintedKnown = false;
    bool m_queued = false;
    friend class RepaintQueue;
};

} // namespace pw::ui
