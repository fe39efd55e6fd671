#pragma once

#include <stop_token>

namespace app
{

// A stop that is requested as soon as either of two others is: for a task that ends both when the
// user leaves what it works for and when the window closes. Lives on the task's own thread.
class EitherStop
{
public:
    EitherStop(const std::stop_token &first, const std::stop_token &second)
        : m_onFirst(first, Request{m_source})
        , m_onSecond(second, Request{m_source})
    {
    }
    EitherStop(const EitherStop &) = delete;
    EitherStop &operator=(const EitherStop &) = delete;

    [[nodiscard]] std::stop_token token() const { return m_source.get_token(); }

private:
    struct Request {
        std::stop_source source;
        void operator()() noexcept { source.request_stop(); }
    };

    std::stop_source m_source; // first: the callbacks below request it
    std::stop_callback<Request> m_onFirst;
    std::stop_callback<Request> m_onSecond;
};

} // namespace app
