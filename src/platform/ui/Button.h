#pragma once
// A push button: a title, a picture and a background per control state; the
// rounded-rect type draws its own look.
#include "platform/ui/Control.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <map>
#include <optional>
#include <string>

namespace pw::ui {

enum class ButtonType { Custom, RoundedRect, DetailDisclosure, InfoLight, InfoDark, ContactAdd };

class Button : public Control {
public:
    static std::shared_ptr<Button> create(ButtonType type = ButtonType::Custom) { return View::create<Button>(type); }

    ButtonType buttonType() const { return m_type; }

    void setTitle(std::string title, unsigned state = ControlStateNormal);
    std::optional<std::string> titleForState(unsigned state) const;
    void setTitleColor(gfx::Color c, unsigned state = ControlStateNormal);
    gfx::Color titleColorForState(unsigned state) const;
    void setTitleShadowColor(gfx::Color c, unsigned state = ControlStateNormal);
    void setImage(gfx::Image image, unsigned state = ControlStateNormal);
    gfx::Image imageForState(unsigned state) const;
    void setBackgroundImage(gfx::Image image, unsigned state = ControlStateNormal);
    gfx::Image backgroundImageForState(unsigned state) const;

    std::string currentTitle() const;
    gfx::Image currentImage() const;
    gfx::Image currentBackgroundImage() const;

    Label& titleLabel() { return *m_titleLabel; }
    ImageView& imageView() { return *m_imageView; }

    void setContentEdgeInsets(gfx::EdgeInsets e);
    void setTitleEdgeInsets(gfx::EdgeInsets e);
    void setImageEdgeInsets(gfx::EdgeInsets e);
    bool adjustsImageWhenHighlighted = true;
    bool adjustsImageWhenDisabled = true;
    bool showsTouchWhenHighlighted = false;

    void layoutSubviews() override;
    gfx::Size sizeThatFits(gfx::Size) const override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit Button(ButtonType type);
    friend class View;
    void didCreate() override;
    void stateDidChange() override;

private:
    template <typename T>
    std::optional<T> lookup(const std::map<unsigned, T>& m, unsigned state) const;
    void refresh();

    ButtonType m_type;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<ImageView> m_imageView;
    std::map<unsigned, std::string> m_titles;
    std::map<unsigned, gfx::Color> m_titleColors;
    std::map<unsigned, gfx::Color> m_shadowColors;
    std::map<unsigned, gfx::Image> m_images;
    std::map<unsigned, gfx::Image> m_backgrounds;
    gfx::EdgeInsets m_contentInsets, m_titleInsets, m_imageInsets;
};

} // namespace pw::ui
