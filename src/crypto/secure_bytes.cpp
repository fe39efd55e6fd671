#include "crypto/secure_bytes.h"

#include <algorithm>
#include <openssl/crypto.h>
#include <sys/mman.h>
#include <utility>

namespace crypto
{

SecureBytes::SecureBytes(std::size_t size)
    : m_data(size ? std::make_unique<std::uint8_t[]>(size) : nullptr)
    , m_size(size)
    , m_locked(size > 0 && ::mlock(m_data.get(), size) == 0)
{
}

SecureBytes::SecureBytes(std::span<const std::uint8_t> bytes)
    : SecureBytes(bytes.size())
{
    std::copy(bytes.begin(), bytes.end(), m_data.get());
}

SecureBytes::SecureBytes(SecureBytes &&other) noexcept
    : m_data(std::move(other.m_data))
    , m_size(std::exchange(other.m_size, 0))
    , m_locked(std::exchange(other.m_locked, false))
{
}

SecureBytes &SecureBytes::operator=(SecureBytes &&other) noexcept
{
    if (this != &other) {
        wipe();
        m_data = std::move(other.m_data);
        m_size = std::exchange(other.m_size, 0);
        m_locked = std::exchange(other.m_locked, false);
    }
    return *this;
}

void SecureBytes::wipe() noexcept
{
    if (m_data)
        OPENSSL_cleanse(m_data.get(), m_size);
    // Locks are kept per page and do not nest: this may also unlock a page another secret shares,
    // which is then only swappable, never unwiped.
    if (m_locked)
        ::munlock(m_data.get(), m_size);
    m_locked = false;
    m_data.reset();
    m_size = 0;
}

} // namespace crypto
