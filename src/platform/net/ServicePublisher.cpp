#include "platform/net/ServicePublisher.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

namespace pw::net {

struct ServicePublisher::Impl {
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
    std::string name, type, domain;
    uint16_t port = 0;
    TxtRecord txt;
    ResultHandler handler;
    mutable std::mutex mutex; // guards `name` for publishedName()

    AvahiStringList* txtList() const {
        AvahiStringList* list = nullptr;
        for (auto& [k, v] : txt)
            list = avahi_string_list_add_pair(list, k.c_str(), v.c_str());
        return list;
    }

    void report(bool ok, const std::string& err) {
        if (handler)
            handler(ok, err);
    }

    // On the publishing thread (or under its lock).
    void createServices() {
        if (!group)
            group = avahi_entry_group_new(client, &Impl::groupCallback, this);
        if (!group) {
            report(false, avahi_strerror(avahi_client_errno(client)));
            return;
        }
        if (!avahi_entry_group_is_empty(group))
            return;
        AvahiStringList* list = txtList();
        int r = avahi_entry_group_add_service_strlst(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                                     name.c_str(), type.c_str(),
                                                     domain.empty() ? nullptr : domain.c_str(), nullptr, port, list);
        avahi_string_list_free(list);
        if (r < 0 || (r = avahi_entry_group_commit(group)) < 0)
            report(false, avahi_strerror(r));
    }

    static void groupCallback(AvahiEntryGroup* g, AvahiEntryGroupState state, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
            self->report(true, {});
        } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
            char* alt = avahi_alternative_service_name(self->name.c_str());
            {
                std::lock_guard lock(self->mutex);
                self->name = alt;
            }
            avahi_free(alt);
            avahi_entry_group_reset(g);
            self->createServices();
        } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
            self->report(false, avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(g))));
        }
    }

    static void clientCallback(AvahiClient* c, AvahiClientState state, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        self->client = c;
        if (state == AVAHI_CLIENT_S_RUNNING) {
            self->createServices();
        } else if (state == AVAHI_CLIENT_FAILURE) {
            self->report(false, avahi_strerror(avahi_client_errno(c)));
        }
    }

    void teardown() {
        if (poll)
            avahi_threaded_poll_stop(poll);
        if (client)
            avahi_client_free(client); // frees its groups too
        if (poll)
            avahi_threaded_poll_free(poll);
        poll = nullptr;
        client = nullptr;
        group = nullptr;
    }
};

ServicePublisher::ServicePublisher() : m_impl(std::make_unique<Impl>()) {}

ServicePublisher::~ServicePublisher() {
    stop();
}

bool ServicePublisher::publish(const std::string& name, const std::string& type, const std::string& domain,
                               uint16_t port, const TxtRecord& txt, ResultHandler handler, std::string* error) {
    stop();
    auto& d = *m_impl;
    d.type = type;
    while (!d.type.empty() && d.type.back() == '.')
        d.type.pop_back();
    d.domain = (domain == "local." || domain == "local") ? std::string() : domain;
    d.port = port;
    d.txt = txt;
    d.handler = std::move(handler);
    d.poll = avahi_threaded_poll_new();
    if (!d.poll) {
        if (error)
            *error = "Unable to create the publishing thread";
        return false;
    }
    int err = 0;
    d.client = avahi_client_new(avahi_threaded_poll_get(d.poll), AvahiClientFlags(0), &Impl::clientCallback, &d, &err);
    if (!d.client) {
        if (error)
            *error = avahi_strerror(err);
        d.teardown();
        return false;
    }
    {
        std::lock_guard lock(d.mutex);
        d.name = name.empty() ? avahi_client_get_host_name(d.client) : name;
    }
    if (avahi_client_get_state(d.client) == AVAHI_CLIENT_S_RUNNING)
        d.createServices();
    if (avahi_threaded_poll_start(d.poll) < 0) {
        if (error)
            *error = "Unable to start the publishing thread";
        d.teardown();
        return false;
    }
    return true;
}

void ServicePublisher::setTxtRecord(const TxtRecord& txt) {
    auto& d = *m_impl;
    if (!d.poll) {
        d.txt = txt;
        return;
    }
    avahi_threaded_poll_lock(d.poll);
    d.txt = txt;
    if (d.group) {
        AvahiStringList* list = d.txtList();
        avahi_entry_group_update_service_txt_strlst(d.group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
                                                    d.name.c_str(), d.type.c_str(),
                                                    d.domain.empty() ? nullptr : d.domain.c_str(), list);
        avahi_string_list_free(list);
    }
    avahi_threaded_poll_unlock(d.poll);
}

std::string ServicePublisher::publishedName() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->name;
}

void ServicePublisher::stop() {
    m_impl->teardown();
}

} // namespace pw::net
