#include "fakeaccount/FakeAccountService.h"

#include "loginsdk/cipher/Des.h"
#include "loginsdk/cipher/MelkEncrypt.h"
#include "loginsdk/cipher/OADes.h"
#include "platform/core/Text.h"

#include <algorithm>
#include <httplib.h>
#include <openssl/evp.h>
#include <zlib.h>

namespace pw::test {
namespace {

std::optional<std::string> base64Decode(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string out(text.size(), '\0');
    int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0)
        return std::nullopt;
    size_t pad = text.empty() ? 0 : (text.end()[-1] == '=') + (text.size() > 1 && text.end()[-2] == '=');
    out.resize(static_cast<size_t>(n) - pad);
    return out;
}

std::optional<std::string> gunzip(const std::string& data) {
    z_stream zs{};
    if (inflateInit2(&zs, 31) != Z_OK)
        return std::nullopt;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char buf[16384];
    int status;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(buf);
        zs.avail_out = sizeof buf;
        status = inflate(&zs, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&zs);
            return std::nullopt;
        }
        out.append(buf, sizeof buf - zs.avail_out);
    } while (status != Z_STREAM_END);
    inflateEnd(&zs);
    return out;
}

std::map<std::string, std::string> paramsOf(const httplib::Request& req) {
    std::map<std::string, std::string> out;
    for (const auto& [k, v] : req.params)
        out[k] = v;
    return out;
}

std::string passportAnswer(const std::string& fields) {
    return R"({"Result":0,"resultCode":0,"resultMsg":")" + fields + R"("})";
}

} // namespace

FakeAccountService::FakeAccountService() : m_server(std::make_unique<httplib::Server>()) {
    auto& s = *m_server;
    auto json = [](httplib::Response& res, const std::string& body) {
        res.set_content(body, "application/json; charset=utf-8");
    };
    // Endpoints that answer whatever the test stored for them last.
    auto stored = [this, json](std::string FakeAccountService::*answer) {
        return [this, json, answer](const httplib::Request& req, httplib::Response& res) {
            record(req.path, paramsOf(req));
            std::lock_guard lock(m_mutex);
            json(res, this->*answer);
        };
    };

    s.set_pre_routing_handler([this, json](const httplib::Request& req, httplib::Response& res) {
        std::string body;
        {
            std::lock_guard lock(m_mutex);
            auto it = std::find_if(answerOverride.begin(), answerOverride.end(), [&](const auto& entry) {
                return req.path.size() >= entry.first.size() &&
                       req.path.compare(req.path.size() - entry.first.size(), entry.first.size(), entry.first) == 0;
            });
            if (it == answerOverride.end())
                return httplib::Server::HandlerResponse::Unhandled;
            body = it->second;
        }
        record(req.path, paramsOf(req));
        json(res, body);
        return httplib::Server::HandlerResponse::Handled;
    });
    s.Get("/zel/config/obtain.shtm", stored(&FakeAccountService::configAnswer));
    s.Get("/zel/accquirguid/guid.shtm", [this, json](const httplib::Request& req, httplib::Response& res) {
        record(req.path, paramsOf(req));
        std::lock_guard lock(m_mutex);
        if (!guidAnswer.empty()) {
            json(res, guidAnswer);
            return;
        }
        json(res, R"({"Result":0,"resultCode":0,"guid":")" + guid + R"(","key":")" + key + R"(","ssnlist":")" +
                      ssnList + R"("})");
    });
    s.Get("/zel/autologin/verifyClientEx.shtm", [this, json](const httplib::Request& req, httplib::Response& res) {
        record(req.path, paramsOf(req));
        std::lock_guard lock(m_mutex);
        if (pollAnswers.empty()) {
            json(res, R"({"resultCode":1,"resultMsg":"not yet"})");
            return;
        }
        json(res, pollAnswers.front());
        pollAnswers.pop_front();
    });
    s.Get("/zel/autologin/receiveVerificationSms.shtm", stored(&FakeAccountService::smsAnswer));
    s.Get("/zel/autologin/autoLogin.shtm", stored(&FakeAccountService::autoLoginAnswer));
    s.Get("/zel/passport/redirectex.shtm", [this, json](const httplib::Request& req, httplib::Response& res) {
        auto params = paramsOf(req);
        record(req.path, params);
        std::lock_guard lock(m_mutex);
        if (params["requestcode"] == "204") {
            json(res, passportAnswer("GUID=" + passportGuid + "^$^KeyWord=" + keyWord));
            return;
        }
        const std::string& code = params["RequestCode"];
        if (code == "201" && !accounts.empty()) {
            // The kit sends Base64 unescaped: a "+" arrives as a space.
            auto plus = [](std::string v) {
                for (auto& c : v)
                    c = c == ' ' ? '+' : c;
                return v;
            };
            auto account = decryptPassportField(plus(params["Account"]));
            auto password = decryptPassportField(plus(params["Pwd"]));
            auto it = account ? accounts.find(*account) : accounts.end();
            if (it == accounts.end() || !password || it->second != *password) {
                json(res, passportAnswer("RetValue=-2^$^DescMsg=用户名或密码错误"));
                return;
            }
        }
        // A registered account's own session id in place of the scripted one.
        auto withSession = [this](const std::string& reply, const std::string& account) {
            auto it = sessionOf.find(account);
            if (it == sessionOf.end())
                return reply;
            const auto at = reply.find("SessionID=");
            if (at == std::string::npos)
                return reply;
            const auto end = reply.find("^$^", at);
            return reply.substr(0, at) + "SessionID=" + it->second +
                   (end == std::string::npos ? std::string() : reply.substr(end));
        };
        if (code == "201") {
            auto account = decryptPassportField([](std::string v) {
                for (auto& c : v)
                    c = c == ' ' ? '+' : c;
                return v;
            }(params["Account"]));
            m_lastAccount = account.value_or("");
            json(res, passportAnswer(withSession(passportReply, m_lastAccount)));
        } else if (code == "202" || code == "203") {
            json(res, passportAnswer(withSession(secondFactorReply, m_lastAccount)));
        } else if (code == "205") {
            json(res, passportAnswer(withSession(autoLoginReply, m_lastAccount)));
        } else {
            json(res, R"({"Result":1})");
        }
    });
    s.Get("/zel/username/existence.shtm", [this, json](const httplib::Request& req, httplib::Response& res) {
        record(req.path, paramsOf(req));
        std::lock_guard lock(m_mutex);
        json(res, std::string(R"({"Result":0,"resultCode":0,"resultMsg":"ok","existing":)") +
                      (nameTaken ? "true" : "false") + "}");
    });
    s.Get("/zel/username/register.shtm", [this, json](const httplib::Request& req, httplib::Response& res) {
        auto params = paramsOf(req);
        record(req.path, params);
        // The fields carry a four-digit length before the text.
        auto field = [this](const std::string& hex) -> std::optional<std::string> {
            auto text = decryptDeviceField(hex);
            if (!text || text->size() < 4)
                return std::nullopt;
            return text->substr(4);
        };
        auto account = field(params["username"]);
        auto password = field(params["password"]);
        std::string session;
        {
            std::lock_guard lock(m_mutex);
            if (account && password && !account->empty() && !accounts.count(*account)) {
                accounts[*account] = *password;
                session = "S-" + std::to_string(sessionOf.size() + 400);
                sessionOf[*account] = session;
            }
        }
        if (!session.empty() && onRegistered)
            onRegistered(*account, session);
        json(res, R"({"Result":0,"resultCode":0,"resultMsg":"registered"})");
    });
    s.Get("/zel/datacollect/sendBase64.shtm", [this](const httplib::Request& req, httplib::Response& res) {
        auto params = paramsOf(req);
        record(req.path, params);
        auto packed = base64Decode(params["msg"]);
        auto batch = packed ? gunzip(*packed) : std::nullopt;
        std::lock_guard lock(m_mutex);
        m_batches.push_back(batch.value_or("<undecodable>"));
        res.set_content("{}", "application/json");
    });
    m_port = s.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeAccountService::~FakeAccountService() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string FakeAccountService::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void FakeAccountService::record(const std::string& path, const std::map<std::string, std::string>& params) {
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({path, params});
    }
    if (log)
        log("account GET " + path + " -> 200");
}

std::vector<FakeAccountService::Request> FakeAccountService::requests(const std::string& suffix) const {
    std::lock_guard lock(m_mutex);
    std::vector<Request> out;
    for (const auto& r : m_requests)
        if (suffix.empty() || (r.path.size() >= suffix.size() &&
                               r.path.compare(r.path.size() - suffix.size(), suffix.size(), suffix) == 0))
            out.push_back(r);
    return out;
}

std::string FakeAccountService::encryptForDevice(const std::string& value) const {
    return tarvzel::Encrypt(key, value);
}

std::optional<std::string> FakeAccountService::decryptDeviceField(const std::string& hex) const {
    return OADes::OADecrypt(key, hex);
}

std::optional<std::string> FakeAccountService::decryptPassportField(const std::string& value) const {
    auto sealed = base64Decode(value);
    if (!sealed || sealed->empty() || sealed->size() % 8 != 0)
        return std::nullopt;
    std::array<uint8_t, 8> keyText{};
    if (melk::DynamicKeyDecrypt(keyWord, keyText) != 0)
        return std::nullopt;
    TripleDes cipher(melk::makeTripleKey(keyText));
    Des::Block chain = melk::initialisationVector();
    std::string plain;
    for (size_t at = 0; at < sealed->size(); at += 8) {
        Des::Block block;
        for (size_t i = 0; i < 8; ++i)
            block[i] = static_cast<uint8_t>((*sealed)[at + i]);
        Des::Block open = cipher.decrypt(block);
        for (size_t i = 0; i < 8; ++i)
            plain.push_back(static_cast<char>(open[i] ^ chain[i]));
        chain = block;
    }
    unsigned pad = static_cast<unsigned char>(plain.back());
    if (pad < 1 || pad > 8 || pad > plain.size())
        return std::nullopt;
    plain.resize(plain.size() - pad);
    return core::text::decodeToUtf8(plain, "GB18030");
}

std::vector<std::string> FakeAccountService::statisticsBatches() const {
    std::lock_guard lock(m_mutex);
    return m_batches;
}

} // namespace pw::test
