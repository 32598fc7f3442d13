#pragma once
// What the account screens build alike: buttons over a
// stretched bundle picture, the login fields, the "知道了" alert and the
// tablet test.
#include "platform/device/Device.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"

#include <functional>
#include <memory>
#include <string>

namespace pw {

class AccountControls {
public:
    AccountControls() = delete;

    static bool isPad();
    // A custom button over `image` stretched by its caps (plain colour when the
    // bundle has no such picture), black title, light grey when disabled.
    static std::shared_ptr<ui::Button> imageButton(const gfx::Rect& frame, const std::string& image, double leftCap,
                                                   double topCap, const std::string& title, double fontSize,
                                                   ui::View& container);
    // The account and password fields of the login and registration screens
    // (y is the field's top; the geometry follows the device).
    static std::shared_ptr<ui::TextField> loginField(ui::View& container, double y, const std::string& placeholder,
                                                     bool secure);
    static gfx::Rect loginButtonFrame(double viewWidth, double y);
    // The login and registration screens' tiled background, and `onTap` for a
    // tap on the background itself (fields and buttons keep their taps).
    static void loginBackground(ui::View& view, std::function<void()> onTap);
    static double loginButtonGap();
    // A prompt with no title and one button "知道了".
    static std::shared_ptr<ui::AlertView> showAlert(const std::string& text,
                                                    std::weak_ptr<ui::AlertViewDelegate> delegate = {});
    // Opens an http(s) page in the desktop's browser; anything else is refused.
    static bool openInBrowser(const std::string& url);
};

} // namespace pw
