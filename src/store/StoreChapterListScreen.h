#pragma once
// The chapters of a site book as its own database lists them, one row each;
// a tap hands the chapter's record back. The store shows it until the reader
// brings its own chapter list.
#include "platform/core/Value.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "store/StoreEnvironment.h"

#include <cstdint>
#include <memory>

namespace pw {

class StoreChapterListScreen : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    static std::shared_ptr<StoreChapterListScreen> create(int64_t rzBookId, StoreEnvironment::ChapterPicked picked) {
        return ViewController::create<StoreChapterListScreen>(rzBookId, std::move(picked));
    }

    void viewDidLoad() override;
    int64_t numberOfRows(ui::TableView&, int64_t) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;

    int64_t rzBookId() const { return m_rzBookId; }
    const core::Value& chapters() const { return m_chapters; }
    ui::TableView* table() const { return m_table.get(); }

protected:
    StoreChapterListScreen(int64_t rzBookId, StoreEnvironment::ChapterPicked picked)
        : m_rzBookId(rzBookId), m_picked(std::move(picked)) {}
    friend class ui::ViewController;

private:
    int64_t m_rzBookId = 0;
    StoreEnvironment::ChapterPicked m_picked;
    core::Value m_chapters = core::Value::array();
    std::shared_ptr<ui::TableView> m_table;
};

} // namespace pw
