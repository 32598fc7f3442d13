#pragma once
// The import screen: the TXT and UMD files lying in Documents, each put on
// or taken off the local shelf with a tap, or deleted with a swipe.
#include "foundation/widgets/ProgressHUD.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "transfer/import/LocalBookInfo.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class ImportBookViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate {
public:
    using Records = std::vector<std::shared_ptr<LocalBookInfo>>;

    static std::shared_ptr<ImportBookViewController> create() {
        return ViewController::create<ImportBookViewController>();
    }
    ~ImportBookViewController() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    // Runs on any thread: the files of Documents marked against the shelf.
    static Records scanBooks();
    // The background body of a scan; the result reaches the main thread.
    void loadData();
    // Installs a scan's result (main thread); a scan older than the newest is dropped.
    void updateTable(Records records, uint64_t generation);
    void wifiBtnClick();
    static bool removeBookFromBookcaseWithType(const std::string& type, LocalBookInfo& info);
    void clean();

    int64_t numberOfRows(ui::TableView&, int64_t) override;
    std::string titleForHeader(ui::TableView&, int64_t) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::Delete;
    }
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                            const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    double heightForRow(ui::TableView&, const ui::IndexPath&) override { return 60; }

    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    const std::optional<Records>& data() const { return m_data; }
    ProgressHUD* progressHUD() const { return m_pProgressHUD.get(); }
    // The last tip shown, for whoever watches the screen.
    const std::string& lastTip() const { return m_lastTip; }
    uint64_t scanGeneration() const { return m_scanGeneration; }

protected:
    ImportBookViewController() { setTitle("导入书籍"); }
    friend class ui::ViewController;

private:
    void showTip(const std::string& text);
    static void postShelfReload();
    // Writes the UMD's cover where the shelf looks for it; answers the cover path.
    static std::string saveUmdCover(class UmdFile& umd);

    std::shared_ptr<ui::TableView> m_table;
    std::optional<Records> m_data;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::string m_lastTip;
    uint64_t m_scanGeneration = 0;
};

} // namespace pw
