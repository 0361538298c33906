// Apartments: the calling thread's COM state, for the runtime's own use.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

namespace com {

class ServingApartment;

// A single-threaded apartment (one thread) or the process's multithreaded one.
// It ends with the last CoUninitialize of its thread (of its last thread, for
// the multithreaded one): its class objects are revoked then, and whatever
// other processes held of its objects is released.
class Apartment : public std::enable_shared_from_this<Apartment> {
public:
    explicit Apartment(bool multiThreaded);
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    std::uint64_t id() const { return id_; }
    bool multiThreaded() const { return multiThreaded_; }
    // What serves other processes' requests here, made on first use (for a
    // single-threaded apartment, on its own thread). Null when it cannot be made.
    std::shared_ptr<ServingApartment> Serving();
    // Revokes the class objects and releases what others held. Runs once, on
    // the apartment's thread (any of its threads, for the multithreaded one).
    void End();

private:
    const std::uint64_t id_;
    const bool multiThreaded_;
    std::mutex mutex_;
    std::shared_ptr<ServingApartment> serving_;
    bool ended_ = false;
};

// True between a successful CoInitialize[Ex] of this thread and its matching CoUninitialize.
bool IsThreadInitialized();
// The calling thread's apartment; null when COM is not initialised on it.
std::shared_ptr<Apartment> CurrentApartment();

// Makes the calling runtime thread count as a thread of `apartment` (the
// multithreaded one) without keeping it alive: its requests run here.
void JoinApartmentImplicitly(std::weak_ptr<Apartment> apartment);

}  // namespace com
