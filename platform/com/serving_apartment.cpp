#include "serving_apartment.h"

#include "server_session.h"

#include <algorithm>

namespace com {

std::shared_ptr<ServingApartment> ServingApartment::Create(bool multiThreaded, std::weak_ptr<Apartment> apartment)
{
    HRESULT hr = S_OK;
    auto queue = multiThreaded ? MakeThreadWorkQueue(std::move(apartment)) : MakeWindowWorkQueue(hr);
    if (!queue) return nullptr;
    return std::make_shared<ServingApartment>(std::move(queue));
}

bool ServingApartment::AddSession(std::shared_ptr<ServerSession> session)
{
    std::lock_guard lock(mutex_);
    if (ended_) return false;
    sessions_.push_back(std::move(session));
    return true;
}

void ServingApartment::RemoveSession(const ServerSession* session)
{
    std::lock_guard lock(mutex_);
    std::erase_if(sessions_, [&](const auto& entry) { return entry.get() == session; });
}

void ServingApartment::End()
{
    // First the queue: once it is closed no request runs, so what the
    // sessions hold can be released here.
    queue_->Close();
    std::vector<std::shared_ptr<ServerSession>> sessions;
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        sessions.swap(sessions_);
    }
    for (auto& session : sessions) session->Disconnect();
}

}  // namespace com
