// What serves other processes' requests in one apartment: its work queue and
// the sessions of the clients connected to its objects (platform-internal).
#pragma once

#include "work_queue.h"

#include <memory>
#include <mutex>
#include <vector>

namespace com {

class Apartment;
class ServerSession;

class ServingApartment {
public:
    // Made on the apartment's thread. Null when its queue cannot be made.
    static std::shared_ptr<ServingApartment> Create(bool multiThreaded, std::weak_ptr<Apartment> apartment);

    explicit ServingApartment(std::shared_ptr<WorkQueue> queue) : queue_(std::move(queue)) {}
    ~ServingApartment() { End(); }
    ServingApartment(const ServingApartment&) = delete;
    ServingApartment& operator=(const ServingApartment&) = delete;

    // Runs work on the apartment's thread; false once the apartment has ended.
    bool Post(Work work) { return queue_->Post(std::move(work)); }
    // False once the apartment has ended.
    bool AddSession(std::shared_ptr<ServerSession> session);
    void RemoveSession(const ServerSession* session);
    // Stops the queue, releases what every client held and drops the clients.
    // On the apartment's thread.
    void End();

private:
    std::shared_ptr<WorkQueue> queue_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<ServerSession>> sessions_;
    bool ended_ = false;
};

}  // namespace com
