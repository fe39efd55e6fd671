#pragma once

#include "app/window_requests.h"

#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace apptest
{

// A window that counts how often it was brought forward and keeps the contacts file request for the
// test to answer.
class FakeWindowRequests final : public app::WindowRequests
{
public:
    int broughtToFront = 0;
    std::function<void(std::optional<QString>)> pendingChoice;

    void bringToFront() override { ++broughtToFront; }
    void chooseContactsFile(std::function<void(std::optional<QString> chosen)> done) override
    {
        pendingChoice = std::move(done);
    }

    // Answers the pending request as the user would: a file, or none for a cancel.
    void answer(const std::optional<QString> &chosen) { std::exchange(pendingChoice, nullptr)(chosen); }
};

} // namespace apptest
