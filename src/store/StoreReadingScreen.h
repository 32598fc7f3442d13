#pragma once
// A downloaded chapter shown as plain text: what the store opens until the
// reader's own screen takes the chapter.
#include "platform/ui/ViewController.h"
#include "store/StoreEnvironment.h"

#include <memory>

namespace pw {

class StoreReadingScreen : public ui::ViewController {
public:
    static std::shared_ptr<StoreReadingScreen> create(StoreChapterOpening opening) {
        return ViewController::create<StoreReadingScreen>(std::move(opening));
    }
    void viewDidLoad() override;
    const StoreChapterOpening& opening() const { return m_opening; }

protected:
    explicit StoreReadingScreen(StoreChapterOpening opening) : m_opening(std::move(opening)) {
        setTitle(m_opening.contentTitle);
    }
    friend class ui::ViewController;

private:
    StoreChapterOpening m_opening;
};

} // namespace pw
