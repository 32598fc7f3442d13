#include "Catalogue.h"
#include "StandinSite.h"
#include "endpoints/AccountData.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include <httplib.h>

#include <algorithm>
#include <map>
#include <vector>

namespace pw::standin {
namespace {

// What one reader holds for the interactions, and what was given to each book.
struct Holdings {
    int64_t updateTickets = 5;
    int64_t pinkTickets = 3;
    int64_t ratingTickets = 5;
    int64_t recommendMain = 4, recommendMM = 2, recommendWX = 1;
    int64_t monthlyTickets = 2;
    std::map<int64_t, int64_t> pinkGiven, monthlyGiven, recommended;
};

struct Interactions {
    std::map<int64_t, Holdings> byUser;
    // Book -> impression labels in the order first given, with their counts.
    std::map<int64_t, std::vector<std::pair<std::string, int64_t>>> labels;
    // The last sends, "action:field=value&..." for tests that look.
    std::vector<std::string> sends;
};

constexpr int64_t kPinkPerBook = 2, kMonthlyPerBook = 2, kRecommendPerBook = 10;
const char* const kTipAmounts[] = {"100", "588", "1888", "5888", "8888", "10000", "50000", "100000"};

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

size_t characters(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string answer(int result, const std::string& message) {
    return R"({"Result":)" + std::to_string(result) + R"(,"Message":)" + quoted(message) + "}";
}

std::string state(const Holdings& h, int64_t balance, int64_t book, const std::vector<std::pair<std::string, int64_t>>& labels) {
    auto n = [](int64_t v) { return std::to_string(v); };
    std::string labelList;
    for (const auto& [name, count] : labels)
        labelList += (labelList.empty() ? "" : ",") + std::string(R"({"Name":)") + quoted(name) + R"(,"Count":)" +
                     n(count) + "}";
    const int64_t pinkLeft =
        std::min(h.pinkTickets, kPinkPerBook - (h.pinkGiven.count(book) ? h.pinkGiven.at(book) : 0));
    const int64_t monthlyLeft =
        std::min(h.monthlyTickets, kMonthlyPerBook - (h.monthlyGiven.count(book) ? h.monthlyGiven.at(book) : 0));
    const int64_t recommended = h.recommended.count(book) ? h.recommended.at(book) : 0;
    return std::string(R"({"Result":0,)") + R"("CuiGeng":{"Enable":1,"ticketAvailable":)" + n(h.updateTickets) +
           R"(,"balance":)" + n(balance) + "}," + R"("DaShang":{"Enable":1,"balance":)" + n(balance) +
           R"(,"fansLevel":"学徒"},)" + R"("FenHongPiao":{"Enable":1,"ticketAvailable":)" + n(h.pinkTickets) +
           R"(,"hadVoteCount":)" + n(h.pinkGiven.count(book) ? h.pinkGiven.at(book) : 0) + R"(,"canVoteCount":)" +
           n(std::max<int64_t>(0, pinkLeft)) + "}," + R"("PingJia":{"Enable":1,"ticketAvailable":)" +
           n(h.ratingTickets) + R"(,"balance":)" + n(balance) + "}," +
           R"("TuiJian":{"Enable":1,"ticketAvailableMain":)" + n(h.recommendMain) + R"(,"ticketAvallableMM":)" +
           n(h.recommendMM) + R"(,"ticketAvallableWX":)" + n(h.recommendWX) + R"(,"CommendedCount":)" + n(recommended) +
           R"(,"CommendAvailable":)" +
           n(std::max<int64_t>(0, std::min(h.recommendMain, kRecommendPerBook - recommended))) + "}," +
           R"("YinXiang":{"Enable":1,"LabelList":[)" + labelList + R"(],"DefaultLabel":["好看","文笔好","经典"]},)" +
           R"("YuePiao":{"Enable":1,"ticketAvailable":)" + n(h.monthlyTickets) + R"(,"hadVoteCount":)" +
           n(h.monthlyGiven.count(book) ? h.monthlyGiven.at(book) : 0) + R"(,"canVoteCount":)" +
           n(std::max<int64_t>(0, monthlyLeft)) + "}}";
}

// A message the site accepts: 6 to 500 characters.
bool goodMessage(const std::string& text) {
    const size_t n = characters(text);
    return n >= 6 && n <= 500;
}

std::string act(Interactions& all, Holdings& h, int64_t& balance, int64_t book, const StandinSite::Call& call) {
    const std::string action = call.param("action");
    auto count = number(call.param("count"));
    if (action == "cg") {
        auto type = number(call.param("type"));
        if (!type || *type < 1 || *type > 4 || !count || *count < 1 || *count > 7)
            return answer(-2, "参数错误");
        if (*count > h.updateTickets)
            return answer(-4, "更新票不足");
        h.updateTickets -= *count;
        return answer(0, "催更成功");
    }
    if (action == "ds") {
        const std::string amount = call.param("moneyType");
        if (std::find(std::begin(kTipAmounts), std::end(kTipAmounts), amount) == std::end(kTipAmounts))
            return answer(-2, "参数错误");
        if (!goodMessage(call.param("description")))
            return answer(-5, "寄语须为6-500字");
        if (*number(amount) > balance)
            return answer(-4, "墨川币不足");
        balance -= *number(amount);
        return answer(0, "打赏成功");
    }
    if (action == "fhp" || action == "yp") {
        const bool pink = action == "fhp";
        if (!count || *count < 1 || *count > 2)
            return answer(-2, "参数错误");
        if (!goodMessage(call.param("description")))
            return answer(-5, "寄语须为6-500字");
        int64_t& tickets = pink ? h.pinkTickets : h.monthlyTickets;
        int64_t& given = (pink ? h.pinkGiven : h.monthlyGiven)[book];
        if (*count > tickets || given + *count > (pink ? kPinkPerBook : kMonthlyPerBook))
            return answer(-4, pink ? "粉红票不足" : "月票不足");
        tickets -= *count;
        given += *count;
        return answer(0, "投票成功");
    }
    if (action == "pj") {
        auto star = number(call.param("star"));
        if (!star || *star < 0 || *star > 4 || !count || *count < 1 || *count > 5)
            return answer(-2, "参数错误");
        if (*count > h.ratingTickets)
            return answer(-4, "评价票不足");
        h.ratingTickets -= *count;
        return answer(0, "评价成功");
    }
    if (action == "tj") {
        if (!count || *count < 0 || *count > 5)
            return answer(-2, "参数错误");
        const int64_t n = *count == 0 ? h.recommendMain : *count;
        if (n == 0 || n > h.recommendMain)
            return answer(-4, "推荐票不足");
        h.recommendMain -= n;
        h.recommended[book] += n;
        return answer(0, "投票成功");
    }
    if (action == "yx") {
        const std::string label = call.param("label");
        const size_t n = characters(label);
        if (n < 1 || n > 5)
            return answer(-5, "印象为1至5个汉字");
        auto& labels = all.labels[book];
        auto it = std::find_if(labels.begin(), labels.end(), [&](const auto& l) { return l.first == label; });
        if (it == labels.end())
            labels.emplace_back(label, 1);
        else
            ++it->second;
        return answer(0, "添加印象成功");
    }
    return answer(-2, "参数错误");
}

} // namespace

void registerInteractionEndpoints(StandinSite& site) {
    // The reader's tickets, balance and what was given to the book, with its impressions.
    site.get(Host::Interaction, "/ClientInterface/IGetInteraction.aspx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 if (!call.userId)
                     return json(res, R"({"Result":-1})");
                 auto bookId = number(call.param("BookId"));
                 if (!bookId)
                     return json(res, R"({"Result":-2})");
                 if (!call.site.catalogue().book(*bookId))
                     return json(res, R"({"Result":-3})");
                 std::lock_guard lock(call.site.lock());
                 auto& all = call.site.extension<Interactions>();
                 json(res, state(all.byUser[*call.userId], accountData(call.site).balanceOf(*call.userId), *bookId,
                                 all.labels[*bookId]));
             });

    // One interaction: cg, ds, fhp, pj, tj, yx or yp with its own fields.
    site.post(Host::Interaction, "/ClientInterface/ISetInteraction.aspx",
              [](const StandinSite::Call& call, httplib::Response& res) {
                  if (!call.userId)
                      return json(res, answer(-1, "请先登录"));
                  auto bookId = number(call.param("BookId"));
                  if (!bookId || call.param("areaId") != "33")
                      return json(res, answer(-2, "参数错误"));
                  if (!call.site.catalogue().book(*bookId))
                      return json(res, answer(-3, "没有找到此书"));
                  std::lock_guard lock(call.site.lock());
                  auto& all = call.site.extension<Interactions>();
                  all.sends.push_back(call.request.body);
                  json(res, act(all, all.byUser[*call.userId], accountData(call.site).balanceOf(*call.userId), *bookId, call));
              });
}

} // namespace pw::standin
