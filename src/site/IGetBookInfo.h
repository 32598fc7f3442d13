#pragma once
// Fetches a site book's information and chapter list and makes the book
// local: its own database, its chapters and volumes, its shelf row and, when
// it has none, its cover. The caller receives a BookInfoResult: a list of
// [code, site book id, book name] (code 1 saved; -1 unusable answer; -2 the
// book's database not made; -3 the shelf row not added; -4 the chapters not
// saved), or a null Value when the request failed or the answer did not parse.
//
// The chapters are stored before the shelf row says the list is stored, so a
// failed write never leaves a book that looks complete and has no chapters.
#include "network/RQHTTPRequestDelegate.h"
#include "site/BookCoverDownloader.h"
#include "site/SiteAPIBase.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class ProgressHUD;

class IGetBookInfo : public SiteAPIBase, public RQProgressDelegate {
public:
    enum SaveResult { Saved = 1, Unusable = -1, NoBookDB = -2, NoBookRow = -3, NoChapters = -4 };

    static std::shared_ptr<IGetBookInfo> create() { return std::shared_ptr<IGetBookInfo>(new IGetBookInfo()); }

    void getBookInfoByRZBookId(int64_t rzBookId, std::weak_ptr<void> target, SiteSelector selector,
                               std::shared_ptr<ProgressHUD> tips, std::string userId, bool incremental);
    // The saving steps; writes the answer's book id and name out.
    int saveChapterList(const core::Value& reply, int64_t* rzBookId, std::string* bookName, const std::string& userId);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    bool handlesSetProgress() const override { return true; }
    void setProgress(float progress) override;
    void requestDidReceiveBytes(RQHTTPRequest& request, int64_t bytes) override;

    // "500B/800B" or "1kB/50kB".
    static std::string progressText(int64_t received, int64_t total);

    const std::shared_ptr<ProgressHUD>& pProgressHUD() const { return m_pProgressHUD; }
    const std::shared_ptr<BookCoverDownloader>& bookCoverDownloader() const { return m_bookCoverDownloader; }
    int64_t hasReceived() const { return m_hasReceived; }

protected:
    IGetBookInfo() = default;

private:
    void tip(const std::string& text);

    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::shared_ptr<BookCoverDownloader> m_bookCoverDownloader = BookCoverDownloader::create();
    int64_t m_hasReceived = 0;
};

} // namespace pw
