#pragma once
// What the stand-in keeps per account beyond the session: the four shelves,
// the balance every answer reports and every purchase or tip lowers, the bookmarks, the notices waiting for the update poll, the statistics
// visitors and the install reports. Reached through
// site.extension<AccountData>() under site.lock(); tests change it to set up
// a case.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pw::standin {

struct Notice {
    int64_t notifyId = 0;
    int type = 1; // 1 message, 2 setting, 3 silent whole-book download
    std::string message;
    std::string key, value; // type 2
    int64_t bookId = 0;     // type 3
};

class StandinSite;

struct AccountData {
    // What every account holds of the site's currency before it spends any.
    static constexpr int64_t kStartingBalance = 20000;

    // Shelf t (0 the VIP shelf, 1 bought, 2 favourites, 3 read) of each user:
    // site book ids in order. The shelf synchronisation and the store's
    // profile read the same lists.
    std::map<int64_t, std::array<std::vector<int64_t>, 4>> shelves;
    // Each user's balance, one figure for the profile, purchases and tips.
    std::map<int64_t, int64_t> balances;
    int64_t& balanceOf(int64_t user) { return balances.try_emplace(user, kStartingBalance).first->second; }
    // (user, book) -> chapter id of the site bookmark.
    std::map<std::pair<int64_t, int64_t>, int64_t> bookmarks;
    // Notices every poll may see (those above the poll's id are sent).
    std::vector<Notice> notices;
    // A book's newest chapter as the poll reports it, in place of the catalogue's.
    std::map<int64_t, std::pair<int64_t, std::string>> newestChapter;
    // The update descriptor's version code.
    int64_t versionCode = 15;
    // Statistics: visitor ids handed out, and the next session id.
    int64_t nextGlobalId = 77;
    int64_t nextSessionId = 5;
    // Install reports received, as decoded text.
    std::vector<std::string> reports;

    bool seeded = false; // the reader's default shelves are in place
};

// The site's account data with the reader's default shelves in place; call
// under site.lock().
AccountData& accountData(StandinSite& site);

} // namespace pw::standin
