#pragma once
// A stand-in for the account service on 127.0.0.1: it answers the kit's
// endpoints from scripts, keeps each guid's key and each exchange's KeyWord,
// and decrypts what it receives so tests can check what the kit really sent.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace pw::test {

class FakeAccountService {
public:
    struct Request {
        std::string path;
        std::map<std::string, std::string> params; // decoded query
    };

    FakeAccountService();
    ~FakeAccountService();

    std::string baseUrl() const; // "http://127.0.0.1:<port>"

    // Scripts. Each answer is the JSON text returned; a queue is used up one
    // answer per request, then the fallback answers again.
    std::string configAnswer =
        R"({"Result":0,"resultMsg":"ok","countryCode":"86,852","timeoutToExp":90500,"strongLogin":true,"fastCallBack":false})";
    std::string guid = "guid-0001";
    std::string key = "k3y-0001";
    std::string ssnList = "10658000,10658001";
    // The guid answer as it stands; empty: one built from guid, key and ssnList.
    std::string guidAnswer;
    std::string keyWord = "12345678901234567890";
    std::string passportGuid = "pt-guid-01";
    // The passport login's second step, as "^$^"-joined fields.
    std::string passportReply =
        "RetValue=0^$^DescMsg=ok^$^AuthenState=0^$^SessionID=S-100^$^SESSIONKEY=SK-100^$^TarvID=777";
    std::string secondFactorReply = "RetValue=0^$^DescMsg=ok^$^SessionID=S-200";
    std::string autoLoginReply = "RetValue=0^$^DescMsg=welcome back^$^SessionID=S-300^$^SESSIONKEY=SK-300";
    bool nameTaken = false;
    // Account name -> password. When not empty, the passport login checks what
    // it receives against it and refuses anything else.
    std::map<std::string, std::string> accounts;
    // Session ids of accounts registered here: their passport and automatic
    // logins answer with these instead of the scripted ones.
    std::map<std::string, std::string> sessionOf;
    // Told (outside the service's lock) of each new account and its session id.
    std::function<void(const std::string& account, const std::string& sessionId)> onRegistered;
    // Told of every request ("account GET <path> -> 200"); set before any arrives.
    std::function<void(const std::string&)> log;
    std::string smsAnswer = R"({"Result":0,"resultCode":0,"resultMsg":"sent"})";
    // The automatic login by phone number and token.
    std::string autoLoginAnswer = R"({"Result":0,"resultCode":0,"resultMsg":"ok"})";
    std::deque<std::string> pollAnswers; // verifyClientEx; empty: "resultCode 1"
    // Path suffix -> the body answered as it stands, in place of the
    // endpoint's own answer (an answer that is no JSON, one without keys).
    std::map<std::string, std::string> answerOverride;
    // Encrypts a value as the service does for the poll's answer.
    std::string encryptForDevice(const std::string& value) const;

    // What came in.
    std::vector<Request> requests(const std::string& pathSuffix = {}) const;
    size_t count(const std::string& pathSuffix) const { return requests(pathSuffix).size(); }
    // Passport fields decrypted with the KeyWord of the exchange.
    std::optional<std::string> decryptPassportField(const std::string& value) const;
    // Registration fields decrypted with the guid's key (length prefix kept).
    std::optional<std::string> decryptDeviceField(const std::string& hex) const;
    // Statistics batches, decoded (URL, Base64, gunzip).
    std::vector<std::string> statisticsBatches() const;

private:
    void record(const std::string& path, const std::map<std::string, std::string>& params);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::vector<std::string> m_batches;
    std::string m_lastAccount; // of the last accepted passport login
};

} // namespace pw::test
