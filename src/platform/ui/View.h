#pragma once
// A rectangle of the interface: it draws itself, holds subviews, takes touches
// and lays its subviews out. Every view owns a layer that carries its geometry and
// look; the window's tree of layers is what gets rendered.
#include "platform/gfx/Color.h"
#include "platform/gfx/Context.h"
#include "platform/gfx/Geometry.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Responder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw::ui {

class GestureRecognizer;
class ViewController;
class Window;

enum AutoresizingMask : unsigned {
    AutoresizingNone = 0,
    FlexibleLeftMargin = 1 << 0,
    FlexibleWidth = 1 << 1,
    FlexibleRightMargin = 1 << 2,
    FlexibleTopMargin = 1 << 3,
    FlexibleHeight = 1 << 4,
    FlexibleBottomMargin = 1 << 5,
};

enum class ContentMode {
    ScaleToFill,
    ScaleAspectFit,
    ScaleAspectFill,
    Redraw,
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

class View : public Responder, public LayerDelegate, public std::enable_shared_from_this<View> {
public:
    // Views are always held by shared_ptr: make them with create<T>(...).
    template <typename T = View, typename... Args>
    static std::shared_ptr<T> create(Args&&... args) {
        auto v = std::shared_ptr<T>(new T(std::forward<Args>(args)...));
        v->didCreate();
        return v;
    }
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // --- geometry ---
    gfx::Rect frame() const;
    void setFrame(const gfx::Rect& frame);
    gfx::Rect bounds() const { return m_layer->bounds(); }
    void setBounds(const gfx::Rect& bounds);
    gfx::Point center() const { return m_layer->position(); }
    void setCenter(gfx::Point c);
    gfx::AffineTransform transform() const { return m_layer->transform(); }
    void setTransform(const gfx::AffineTransform& t);

    // --- appearance ---
    double alpha() const { return m_layer->opacity(); }
    void setAlpha(double a);
    bool isHidden() const { return m_layer->isHidden(); }
    void setHidden(bool h);
    bool clipsToBounds() const { return m_layer->masksToBounds(); }
    void setClipsToBounds(bool c) { m_layer->setMasksToBounds(c); }
    gfx::Color backgroundColor() const { return m_layer->backgroundColor(); }
    void setBackgroundColor(const gfx::Color& c) { m_layer->setBackgroundColor(c); }
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool o) { m_opaque = o; }
    ContentMode contentMode() const { return m_contentMode; }
    void setContentMode(ContentMode m);
    const std::shared_ptr<Layer>& layer() const { return m_layer; }

    int tag() const { return m_tag; }
    void setTag(int t) { m_tag = t; }
    unsigned autoresizingMask() const { return m_autoresizing; }
    void setAutoresizingMask(unsigned m) { m_autoresizing = m; }
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool a) { m_autoresizesSubviews = a; }
    bool isUserInteractionEnabled() const { return m_interaction; }
    void setUserInteractionEnabled(bool e) { m_interaction = e; }
    bool isMultipleTouchEnabled() const { return m_multipleTouch; }
    void setMultipleTouchEnabled(bool e) { m_multipleTouch = e; }
    bool isExclusiveTouch() const { return m_exclusiveTouch; }
    void setExclusiveTouch(bool e) { m_exclusiveTouch = e; }

    // --- hierarchy ---
    View* superview() const { return m_superview; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    Window* window() const;
    void addSubview(std::shared_ptr<View> view);
    void insertSubview(std::shared_ptr<View> view, size_t index);
    void insertSubviewAbove(std::shared_ptr<View> view, const View* sibling);
    void insertSubviewBelow(std::shared_ptr<View> view, const View* sibling);
    void removeFromSuperview();
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    void exchangeSubviews(size_t a, size_t b);
    bool isDescendantOfView(const View* view) const;
    // Depth-first, this view first.
    View* viewWithTag(int tag);
    std::shared_ptr<View> sharedFromThis() { return shared_from_this(); }

    // The controller whose view this is, if any (set by the controller).
    ViewController* viewController() const { return m_viewController; }
    void setViewController(ViewController* vc) { m_viewController = vc; }

    // --- layout and drawing ---
    void setNeedsLayout() { m_needsLayout = true; }
    bool needsLayout() const { return m_needsLayout; }
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    virtual gfx::Size sizeThatFits(gfx::Size size) const;
    void sizeToFit();
    void setNeedsDisplay() { m_layer->setNeedsDisplay(); }
    void setNeedsDisplayInRect(const gfx::Rect& r) { m_layer->setNeedsDisplayInRect(r); }
    // Draws the view's own content in its bounds coordinates.
    virtual void draw(gfx::Context& ctx, const gfx::Rect& rect);

    // --- coordinates ---
    gfx::Point convertPointToView(gfx::Point p, const View* view) const;
    gfx::Point convertPointFromView(gfx::Point p, const View* view) const;
    gfx::Rect convertRectToView(const gfx::Rect& r, const View* view) const;
    gfx::Rect convertRectFromView(const gfx::Rect& r, const View* view) const;

    // --- events ---
    // The deepest visible, interactive descendant that contains the point (own coordinates).
    virtual View* hitTest(gfx::Point p);
    virtual bool pointInside(gfx::Point p) const;
    Responder* nextResponder() const override;

    void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
    void removeGestureRecognizer(const GestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return m_recognizers; }

    // --- view animations ---
    // Changes made inside `changes` to frame, bounds, center, transform, alpha or
    // background colour animate; completion gets whether all of them finished.
    static void animate(double duration, const std::function<void()>& changes,
                        std::function<void(bool finished)> completion = {});
    static void animate(const BlockAnimationOptions& options, const std::function<void()>& changes,
                        std::function<void(bool finished)> completion = {});
    static void performWithoutAnimation(const std::function<void()>& changes);
    // The begin/commit style: settings apply to the changes made until commit.
    static void beginAnimations();
    static void setAnimationDuration(double d);
    static void setAnimationDelay(double d);
    static void setAnimationCurve(TimingFunction c);
    static void setAnimationRepeatCount(double n);
    static void setAnimationRepeatAutoreverses(bool r);
    static void setAnimationDidStop(std::function<void(bool finished)> fn);
    static void commitAnimations();
    static void setAnimationsEnabled(bool enabled);
    static bool areAnimationsEnabled();

    // --- hooks ---
    virtual void willMoveToSuperview(View*) {}
    virtual void didMoveToSuperview() {}
    virtual void willMoveToWindow(Window*) {}
    virtual void didMoveToWindow() {}
    virtual void didAddSubview(View*) {}
    virtual void willRemoveSubview(View*) {}

    void drawLayer(Layer& layer, gfx::Context& ctx) override;

protected:
    View();
    explicit View(const gfx::Rect& frame);
    // Runs once the view is owned by a shared_ptr: subclasses build their subviews here.
    virtual void didCreate() {}
    // Subclass hook: bounds size changed.
    virtual void boundsSizeDidChange(gfx::Size oldSize);

    std::shared_ptr<Layer> m_layer = Layer::create();

private:
    void resizeSubviews(gfx::Size oldSize);
    void setWindowRecursive(Window* window);
    // The window is going away: no callbacks into it.
    void forgetWindow();
    void didChangeWindow(Window* old);
    friend class Window;

    View* m_superview = nullptr;
    Window* m_window = nullptr;
    ViewController* m_viewController = nullptr;
    std::vector<std::shared_ptr<View>> m_subviews;
    std::vector<std::shared_ptr<GestureRecognizer>> m_recognizers;
    int m_tag = 0;
    unsigned m_autoresizing = AutoresizingNone;
    bool m_autoresizesSubviews = true;
    bool m_interaction = true;
    bool m_multipleTouch = false;
    bool m_exclusiveTouch = false;
    bool m_opaque = true;
    bool m_needsLayout = true;
    ContentMode m_contentMode = ContentMode::ScaleToFill;
};

} // namespace pw::ui
