#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace crypto
{

// A fixed-size byte buffer for secrets (derived keys, class keys, file keys, plain text being
// decrypted) that is wiped with OPENSSL_cleanse when it goes or is replaced. Move-only, so no
// copy of a secret is ever left behind unwiped; it never reallocates. Its memory is locked against
// swapping where the system allows it (mlock, within RLIMIT_MEMLOCK); where not, it works as well,
// only unlocked.
class SecureBytes
{
public:
    SecureBytes() = default;
    explicit SecureBytes(std::size_t size);
    explicit SecureBytes(std::span<const std::uint8_t> bytes);
    ~SecureBytes() { wipe(); }
    SecureBytes(SecureBytes &&other) noexcept;
    SecureBytes &operator=(SecureBytes &&other) noexcept;
    SecureBytes(const SecureBytes &) = delete;
    SecureBytes &operator=(const SecureBytes &) = delete;

    [[nodiscard]] std::uint8_t *data() { return m_data.get(); }
    [[nodiscard]] const std::uint8_t *data() const { return m_data.get(); }
    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool isEmpty() const { return m_size == 0; }
    [[nodiscard]] std::span<std::uint8_t> span() { return {m_data.get(), m_size}; }
    [[nodiscard]] std::span<const std::uint8_t> span() const { return {m_data.get(), m_size}; }

    // Overwrites the bytes with zeros and frees them; the buffer is empty afterwards.
    void wipe() noexcept;

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
    bool m_locked = false;
};

// Views the bytes of a string as the unsigned bytes the cipher functions take.
inline std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t *>(text.data()), text.size()};
}

// The bytes of a secret that is text (a password) as the text the key derivation takes.
inline std::string_view textOf(const SecureBytes &secret)
{
    return {reinterpret_cast<const char *>(secret.data()), secret.size()};
}

} // namespace crypto
