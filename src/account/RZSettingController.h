#pragma once
// The settings screen: the user row, the reading settings (switches, the
// brightness slider, value rows that open a choice list, a reset), the general
// settings and the about rows. Every change is written at once into the
// reading configuration, the settings table or the application delegate, and
// saved; there is no confirm or cancel step.
#include "platform/core/Cancelable.h"
#include "platform/core/ObserverToken.h"
#include "platform/gfx/Image.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class CheckVersion;
class RZConfig;

class RZSettingController : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    static std::shared_ptr<RZSettingController> create() { return ViewController::create<RZSettingController>(); }
    ~RZSettingController() override;

    // The five choice lists, by the `setType` the choice screen is given.
    enum ListType { kListFontSize = 0, kListPageTurn = 1, kListScrollSpeed = 2, kListTheme = 3, kListLineSpace = 4 };
    // Tags of the switches and the slider.
    enum ControlTag {
        kTagKeepAwake = 0,
        kTagBig5 = 1,
        kTagFullScreen = 2,
        kTagRotateLock = 3,
        kTagNight = 4,
        kTagBrightness = 9,
        kTagCloseNoticeBar = 21,
        kTagNoRotation = 22,
    };
    struct ChoiceList {
        std::vector<std::string> titles;
        std::vector<double> values;
    };
    static ChoiceList choiceList(int listType);
    // The row of a choice list that matches the configuration; none when no
    // row does (a theme never chosen, a value outside the list).
    static std::optional<int64_t> markedRow(int listType, const RZConfig& config);
    // The title of a theme tag; "未指定" for 0 and for any tag without a theme.
    static std::string themeTitle(int tag);

    // Before the view loads: the configuration the caller reads with; without
    // one the screen loads its own.
    void setRzConfig(std::shared_ptr<RZConfig> config) { m_rzConfig = std::move(config); }
    const std::shared_ptr<RZConfig>& rzConfig() const { return m_rzConfig; }
    void setUseCustomNavAnimate(bool v) { m_useCustomNavAnimate = v; }
    bool useCustomNavAnimate() const { return m_useCustomNavAnimate; }
    bool hasLogin() const { return m_hasLogin; }
    const std::optional<gfx::Image>& userImage() const { return m_userImage; }
    bool mainViewNofityOn() const { return m_mainViewNofityOn; }
    // The login screen's callback; the rows are rebuilt when the screen shows again.
    void afterLogin() {}

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    // ---- the rows
    const std::vector<std::string>& arrMenuTitle() const { return m_arrMenuTitle; }
    const std::vector<std::string>& rowsOfSection(int64_t section) const;
    const std::vector<std::string>& userInfo() const { return m_userInfo; }
    // The value text a value row shows ("" for other rows).
    std::string valueText(const ui::IndexPath& ip) const;

    int64_t numberOfSections(ui::TableView&) override { return static_cast<int64_t>(m_arrMenuTitle.size()); }
    int64_t numberOfRows(ui::TableView&, int64_t section) override;
    std::string titleForHeader(ui::TableView&, int64_t section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }
    double heightForRow(ui::TableView&, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::None;
    }

    // ---- the controls
    void handleSwitchChoose(int tag, bool on);
    void handlSliderMenuSliderChooseEnd(int tag, float value);
    void clearStoreCache();
    void startVersionCheck();
    void noNewVersion();
    void versionCheckFailed();
    bool isObservingVersionCheck() const { return m_versionObservers.size() > 0; }

    static std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                        const std::string& text, ui::View& container);
    static std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                        const gfx::Color& colour, const std::string& text,
                                                        ui::View& container);
    std::shared_ptr<ui::Switch> genSwitchWithContainer(ui::View& container, int tag);
    std::shared_ptr<ui::Slider> genSliderWithContainer(ui::View& container, int tag, float maxValue, float minValue,
                                                       float defaultValue);

    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    // The alert shown last (tests read its text).
    const std::shared_ptr<ui::AlertView>& alert() const { return m_alert; }
    const std::shared_ptr<CheckVersion>& checkVersion() const { return m_checkVersion; }

protected:
    RZSettingController() { setTitle("设置"); }
    friend class ui::ViewController;

private:
    void showAlert(const std::string& message);
    void openChoiceList(const ui::IndexPath& ip);
    bool isValueRow(const ui::IndexPath& ip) const;
    // The avatar of a fresh login arrives in the background after the
    // screen is back: look again a few times.
    void waitForAvatar(int triesLeft);

    std::shared_ptr<ui::TableView> m_table;
    std::vector<std::string> m_arrMenuTitle;
    std::map<std::string, std::vector<std::string>> m_dictMenu;
    std::vector<std::string> m_userInfo;
    gfx::Color m_txtColor = gfx::Color::fromRGB255(73, 99, 145);
    std::shared_ptr<CheckVersion> m_checkVersion;
    std::vector<core::ObserverToken> m_versionObservers;
    std::shared_ptr<RZConfig> m_rzConfig;
    bool m_useCustomNavAnimate = false;
    bool m_hasLogin = false;
    std::optional<gfx::Image> m_userImage;
    bool m_mainViewNofityOn = true;
    std::shared_ptr<ui::AlertView> m_alert;
    core::Cancelable m_avatarCheck;
};

} // namespace pw
