#pragma once
// The Wi-Fi transfer screen: a switch that starts and stops the built-in web
// server and the address a computer's browser opens to upload books.
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "transfer/http/HTTPServer.h"

#include <memory>
#include <string>
#include <vector>

namespace pw {

class WifiViewController : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    static std::shared_ptr<WifiViewController> create() { return ViewController::create<WifiViewController>(); }
    ~WifiViewController() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    void handleSwitchChoose(ui::Switch& sender);
    static std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                        const std::string& text, ui::View& container);
    std::shared_ptr<ui::Switch> genSwitchWithContainer(ui::View& container, int tag);

    int64_t numberOfSections(ui::TableView&) override { return 1; }
    std::string titleForHeader(ui::TableView&, int64_t) override;
    int64_t numberOfRows(ui::TableView&, int64_t) override { return static_cast<int64_t>(m_arrMenuTitles.size()); }
    double heightForRow(ui::TableView&, const ui::IndexPath& ip) override { return ip.row == 0 ? 42 : 62; }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::None;
    }

    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    const std::vector<std::string>& arrMenuTitles() const { return m_arrMenuTitles; }
    bool isServerStarted() const { return m_isServerStarted; }
    const std::shared_ptr<HTTPServer>& httpServer() const { return m_httpServer; }

protected:
    WifiViewController() { setTitle("Wi-Fi 传书"); }
    friend class ui::ViewController;

private:
    std::shared_ptr<ui::TableView> m_table;
    std::vector<std::string> m_arrMenuTitles;
    bool m_isServerStarted = false;
    std::shared_ptr<HTTPServer> m_httpServer;
};

} // namespace pw
