#include "loginsdk/stats/LogUtil.h"

#include "loginsdk/GlobalConstants.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/cipher/SdkBase64.h"
#include "loginsdk/requests/ZELHttpRequest.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zelOpenAPI.h"
#include "network/Reachability.h"
#include "platform/core/Clock.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/PropertyList.h"
#include "platform/core/RunLoop.h"
#include "platform/core/UserDefaults.h"
#include "platform/device/Device.h"
#include "platform/device/NetworkInterfaces.h"
#include "platform/device/Providers.h"
#include "platform/net/Url.h"

#include <unicode/locid.h>
#include <zlib.h>

#include <cmath>
#include <ctime>

namespace pw {
namespace {

long long ms(double seconds) {
    return std::llround(seconds * 1000);
}
double now() {
    return core::Clock::shared().now();
}

std::string networkType() {
    auto reach = Reachability::reachabilityForInternetConnection();
    switch (reach ? reach->currentReachabilityStatus() : NotReachable) {
    case ReachableViaWWAN:
        return "2G/3G";
    case ReachableViaWiFi:
        return "Wi-Fi";
    default:
        return "Unknown";
    }
}

std::string escapeQuotes(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::filesystem::path pendingFile() {
    return zelConfig::kitFolder() / "cmdListFile";
}

std::mutex& instanceMutex() {
    static std::mutex m;
    return m;
}

std::unique_ptr<LogUtil>& instance() {
    static std::unique_ptr<LogUtil> p;
    return p;
}

} // namespace

std::vector<std::string> DataCollectionRecord::fields(double callTime, const std::string& appId) const {
    return {std::to_string(eventCode),
            std::to_string(ms(callTime)),
            appId,
            "2",
            std::to_string(actionId),
            std::to_string(ms(startDate)),
            std::to_string(statusCode),
            std::to_string(ms(endDate) - ms(startDate)),
            "0",
            sessionId,
            guid,
            zelConfig::shareZelConfig().getPhoneNumber(),
            tarvId,
            ptguid,
            " ",
            smsHost,
            networkType(),
            timeCost,
            "IOS" + device::Device::current().systemVersion(),
            std::to_string(ms(endDate)),
            "",
            ""};
}

std::string DataCollectionRecord::line(double callTime) const {
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.zelEventSignCode = eventCode; });
    std::string out;
    for (const std::string& field : fields(callTime, std::to_string(zelOpenAPI::shareZelOpenAPI().appId())))
        out += field + '|';
    return out;
}

std::string DataCollectionRecord::description() const {
    static const char* const kLabels[] = {"数据标识", "CallTime时间戳", "AppId",  "来源标识", "动作标识",
                                          "开始时间戳", "状态",         "花费毫秒数", "次数",     "SessionId",
                                          "Guid",       "Mobile",       "TarvId",     "ptguid",   "sim",
                                          "短信特服号", "网络类型",     "每次耗时",   "sdk版本"};
    const core::Value appId = core::UserDefaults::standard().get("appId").value_or(core::Value());
    const std::string app = appId.asString().value_or(appId.asInt() ? std::to_string(*appId.asInt()) : "");
    const auto values = fields(now(), app);
    std::string out;
    for (size_t i = 0; i < std::size(kLabels); ++i)
        out += (i ? "|" : "") + std::string(kLabels[i]) + ":" + values[i];
    return out;
}

ZelHeader::~ZelHeader() {
    if (m_locationTimer)
        m_locationTimer->invalidate();
}

void ZelHeader::initLocation() {
    if (!m_locationTimer) {
        // On the main loop, whichever thread made the header; destroying the
        // header invalidates the timer, so no tick reaches it afterwards.
        m_locationTimer = core::Timer::create(60, true, [this](core::Timer&) { updateLocation(); });
        core::RunLoop::runOnMain([timer = m_locationTimer] { core::RunLoop::current().addTimer(timer); }, false);
    }
    updateLocation();
}

void ZelHeader::updateLocation() {
    auto provider = device::LocationProvider::current();
    auto enabled = PersistentUtil::sharedInstance().objectForKey("locationServiceEnable");
    if (!provider->authorized() || !enabled || !enabled->asBool().value_or(enabled->asInt().value_or(0) != 0))
        return;
    if (auto fix = provider->fix()) {
        m_latitude = fix->latitude;
        m_longitude = fix->longitude;
    }
}

std::string ZelHeader::localWifiIPAddress() {
    return device::NetworkInterfaces::ipv4Address().value_or("");
}

std::string ZelHeader::buildHeader() const {
    auto& dev = device::Device::current();
    std::string mac = zelConfig::macAddress().value_or("");
    auto carrier = device::CarrierProvider::current()->carrier();
    std::string mcc = carrier ? carrier->mobileCountryCode : "";
    std::string mnc = carrier ? carrier->mobileNetworkCode : "";
    std::string iso = carrier ? carrier->isoCountryCode : "";
    icu::Locale locale = icu::Locale::getDefault();
    std::time_t t = static_cast<std::time_t>(core::Clock::shared().now());
    std::tm local{};
    localtime_r(&t, &local);
    auto screen = dev.screen();
    std::string wifi = localWifiIPAddress();
    std::string version = "IOS " + dev.systemVersion();

    std::string out;
    auto text = [&](const char* key, const std::string& value) {
        out += out.empty() ? "{" : ",";
        out += "\"" + std::string(key) + "\":\"" + value + "\"";
    };
    auto number = [&](const char* key, long long value) {
        out += out.empty() ? "{" : ",";
        out += "\"" + std::string(key) + "\":" + std::to_string(value);
    };
    text("29", mac);
    text("30", dev.model());
    text("46", mac);
    for (const char* k : {"53", "54", "51", "47"})
        text(k, "");
    text("48", "1.1");
    text("31", "");
    text("32", "");
    text("33", dev.systemName());
    text("34", version);
    text("36", version);
    text("37", locale.getCountry());
    text("38", locale.getLanguage());
    text("39", std::to_string(local.tm_gmtoff / 3600));
    text("40",
         std::to_string(static_cast<long>(screen.width)) + "*" + std::to_string(static_cast<long>(screen.height)));
    text("41", networkType());
    text("50", wifi);
    text("50", wifi);
    text("45", carrier ? mcc + "+" + mnc : "");
    number("42", static_cast<long long>(m_latitude.load()));
    number("43", static_cast<long long>(m_longitude.load()));
    text("61", "");
    text("44", std::to_string(static_cast<int>(dev.orientation())));
    text("55", "");
    text("56", "");
    text("56", mcc);
    text("57", mnc);
    text("68", mac);
    text("67", iso);
    return out + "}";
}

std::string ZelHeader::setupContent(double time) {
    return "{\"3\":\"12\",\"21\":1,\"66\":" + std::to_string(ms(time)) + "}";
}

std::string ZelHeader::buildContent(const std::string& line, const std::string& event, double time) {
    return "{\"3\":\"18\",\"21\":1,\"66\":" + std::to_string(ms(time)) + ",\"20\":\"" + escapeQuotes(line) +
           "\",\"19\":\"" + event + "\"}";
}

LogUtil& LogUtil::sharedInstance() {
    std::lock_guard lock(instanceMutex());
    if (!instance())
        instance().reset(new LogUtil());
    return *instance();
}

void LogUtil::resetShared() {
    std::lock_guard lock(instanceMutex());
    instance().reset();
}

void LogUtil::initHeader() {
    std::lock_guard lock(m_mutex);
    if (m_header)
        return;
    m_header = std::make_unique<ZelHeader>();
    m_header->initLocation();
    std::vector<std::string> lines;
    if (auto list = core::PropertyList::readFile(pendingFile()); list && list->isArray())
        for (const auto& item : *list->asArray())
            if (auto s = item.asString())
                lines.push_back(*s);
    m_cmdList = std::move(lines);
}

void LogUtil::startCollectWithEventId(int slot) {
    std::lock_guard lock(m_mutex);
    DataCollectionRecord record;
    record.startDate = now();
    m_records[slot] = record;
}

void LogUtil::setCollectAttr(const core::Value& attrs, int slot) {
    withRecord(slot, [&](DataCollectionRecord& r) {
        if (auto v = attrs["statusCode"].asInt())
            r.statusCode = static_cast<int32_t>(*v);
        if (auto v = attrs["actionId"].asInt())
            r.actionId = static_cast<uint32_t>(*v);
        if (auto v = attrs["eventSign"].asInt())
            r.eventCode = static_cast<uint32_t>(*v);
    });
}

bool LogUtil::setValue(const core::Value& value, const std::string& key, int slot) {
    const auto number = [&] { return value.asInt().value_or(0); };
    const auto text = [&] { return value.asString().value_or(""); };
    bool known = true;
    const bool open = withRecord(slot, [&](DataCollectionRecord& r) {
        if (key == "eventCode")
            r.eventCode = static_cast<uint32_t>(number());
        else if (key == "actionId")
            r.actionId = static_cast<uint32_t>(number());
        else if (key == "statusCode")
            r.statusCode = static_cast<int32_t>(number());
        else if (key == "timeCost")
            r.timeCost = text();
        else if (key == "smsHost")
            r.smsHost = text();
        else if (key == "guid")
            r.guid = text();
        else if (key == "ptguid")
            r.ptguid = text();
        else if (key == "sessionId")
            r.sessionId = text();
        else if (key == "tarvId")
            r.tarvId = text();
        else
            known = false;
    });
    return open && known;
}

void LogUtil::endCollectionWithEventId(int slot) {
    std::optional<DataCollectionRecord> record;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_records.find(slot);
        if (it == m_records.end())
            return;
        record = it->second;
        m_records.erase(it);
    }
    record->endDate = now();
    log(record->line(now()), 0);
}

std::string LogUtil::buildLogContent(int code, double start, double end) {
    std::string fields[] = {std::to_string(code),
                            std::to_string(ms(end)),
                            std::to_string(zelOpenAPI::shareZelOpenAPI().appId()),
                            "2",
                            std::to_string(ms(start)),
                            "0",
                            std::to_string(ms(end) - ms(start)),
                            "0",
                            "",
                            "",
                            zelConfig::shareZelConfig().getPhoneNumber(),
                            ""};
    std::string out;
    for (size_t i = 0; i < std::size(fields); ++i)
        out += (i ? "|" : "") + fields[i];
    return out;
}

void LogUtil::savePendingLocked() const {
    core::Value list = core::Value::array();
    for (const auto& line : m_cmdList.value_or(std::vector<std::string>{}))
        list.push(core::Value(line));
    core::FileManager::createDirectories(zelConfig::kitFolder());
    writePrivatePlist(pendingFile(), list);
}

void LogUtil::logLocked(const std::string& line) {
    if (!m_cmdList)
        m_cmdList.emplace();
    if (!m_header) {
        m_header = std::make_unique<ZelHeader>();
        m_header->initLocation();
    }
    m_lastHeader = m_header->buildHeader();
    if (line.size() > 1) {
        m_cmdList->push_back(ZelHeader::buildContent(line, "zel2_sdk_data", now()));
        savePendingLocked();
    }
    if (m_setupItem.empty())
        m_setupItem = ZelHeader::setupContent(now());
    std::string items;
    for (size_t i = 0; i < m_cmdList->size(); ++i)
        items += (i ? "," : "") + (*m_cmdList)[i];
    m_currentOut = "{\"27\":" + m_lastHeader + ",\"28\":{\"18\":[" + items + "],\"12\":[" + m_setupItem + "]}}";
}

void LogUtil::log(const std::string& line, int) {
    std::lock_guard lock(m_mutex);
    logLocked(line);
}

void LogUtil::flush() {
    std::string batch;
    {
        std::lock_guard lock(m_mutex);
        if (m_isOutPuting || m_currentOut.empty())
            return;
        m_isOutPuting = true;
        bool timeUp;
        if (m_lastLogDate <= 1.0) {
            m_lastLogDate = now();
            core::RunLoop::current().postAfter(3600, [] { LogUtil::sharedInstance().checkLogInterval(); });
            timeUp = false;
        } else {
            timeUp = now() - m_lastLogDate > 3600;
        }
        if (m_currentOut.size() <= 1024 && !timeUp) {
            m_isOutPuting = false;
            return;
        }
        batch = m_currentOut;
        // Only what this batch carries is removed after it is delivered;
        // lines logged while it is in flight go with the next one.
        m_sentLines = m_cmdList ? m_cmdList->size() : 0;
    }
    core::RunLoop::runOnMain([this, batch] { outPutContent(batch); }, true);
    std::lock_guard lock(m_mutex);
    m_lastLogDate = 0;
}

void LogUtil::checkLogInterval() {
    std::lock_guard lock(m_mutex);
    if (m_lastLogDate > 3600.0) {
        logLocked("");
        m_lastLogDate = 0;
    }
}

std::string LogUtil::gzip(const std::string& text) {
    if (text.empty())
        return {};
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        core::Log::info("deflateInit2 error!");
        return {};
    }
    std::string out(16384, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (zs.total_out >= out.size())
            out.resize(out.size() + 16384);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + zs.total_out);
        zs.avail_out = static_cast<uInt>(out.size() - zs.total_out);
        status = deflate(&zs, Z_FINISH);
        if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END) {
            deflateEnd(&zs);
            return {};
        }
    }
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string LogUtil::urlEncodeValue(const std::string& text) {
    return net::Url::percentEscape(text, "-._~");
}

void LogUtil::outPutContent(const std::string& batch) {
    std::string packed = gzip(batch);
    std::string encoded = melk::base64_encode_zel(std::vector<uint8_t>(packed.begin(), packed.end()));
    std::string url =
        zelConfig::shareZelConfig().dynamicWith("datacollect/sendBase64.shtm?msg=") + urlEncodeValue(encoded);
    auto request = ZELHttpRequest::initWithURL(url);
    request->setDidFinish([](ZELHttpRequest&) { LogUtil::sharedInstance().uploadFinished(true); });
    request->setDidFail([](ZELHttpRequest&) { LogUtil::sharedInstance().uploadFinished(false); });
    {
        std::lock_guard lock(m_mutex);
        m_request = request;
    }
    request->startAsynchronous();
}

void LogUtil::uploadFinished(bool ok) {
    std::lock_guard lock(m_mutex);
    if (ok && m_cmdList) {
        size_t sent = std::min(m_sentLines, m_cmdList->size());
        m_cmdList->erase(m_cmdList->begin(), m_cmdList->begin() + static_cast<long>(sent));
        savePendingLocked();
    }
    m_sentLines = 0;
    m_isOutPuting = false;
    m_currentOut.clear();
    m_request.reset();
}

std::vector<std::string> LogUtil::pendingLines() const {
    std::lock_guard lock(m_mutex);
    return m_cmdList.value_or(std::vector<std::string>{});
}

std::string LogUtil::currentBatch() const {
    std::lock_guard lock(m_mutex);
    return m_currentOut;
}

bool LogUtil::isUploading() const {
    std::lock_guard lock(m_mutex);
    return m_isOutPuting;
}

} // namespace pw
