#include "crypto/pbkdf2.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <array>
#include <memory>

namespace crypto
{

namespace
{

constexpr std::uint32_t roundsBetweenStops = 4096;

struct MacDeleter {
    void operator()(EVP_MAC *mac) const noexcept { EVP_MAC_free(mac); }
};
struct ContextDeleter {
    void operator()(EVP_MAC_CTX *context) const noexcept { EVP_MAC_CTX_free(context); }
};

// One keyed HMAC, restarted with the same key for every message.
class Hmac
{
public:
    static std::unique_ptr<Hmac> make(Pbkdf2Digest digest, std::span<const std::uint8_t> key)
    {
        auto hmac = std::unique_ptr<Hmac>(new Hmac);
        hmac->m_mac.reset(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
        if (!hmac->m_mac)
            return nullptr;
        hmac->m_context.reset(EVP_MAC_CTX_new(hmac->m_mac.get()));
        if (!hmac->m_context)
            return nullptr;
        char name[8] = {};
        std::ranges::copy(std::string_view(digest == Pbkdf2Digest::Sha1 ? "SHA1" : "SHA256"), name);
        const std::array params{OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, name, 0),
                                OSSL_PARAM_construct_end()};
        // A key of no bytes still needs a pointer that is not null.
        static const unsigned char none = 0;
        if (EVP_MAC_init(hmac->m_context.get(), key.empty() ? &none : key.data(), key.size(), params.data()) != 1)
            return nullptr;
        hmac->m_size = EVP_MAC_CTX_get_mac_size(hmac->m_context.get());
        return hmac;
    }

    [[nodiscard]] std::size_t size() const { return m_size; }

    // The HMAC of `first` followed by `second` into `out` (size() bytes).
    bool compute(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second, std::uint8_t *out)
    {
        std::size_t written = 0;
        return EVP_MAC_init(m_context.get(), nullptr, 0, nullptr) == 1
            && EVP_MAC_update(m_context.get(), first.data(), first.size()) == 1
            && EVP_MAC_update(m_context.get(), second.data(), second.size()) == 1
            && EVP_MAC_final(m_context.get(), out, &written, m_size) == 1 && written == m_size;
    }

private:
    Hmac() = default;

    std::unique_ptr<EVP_MAC, MacDeleter> m_mac;
    std::unique_ptr<EVP_MAC_CTX, ContextDeleter> m_context;
    std::size_t m_size = 0;
};

} // namespace

Result<SecureBytes> pbkdf2(Pbkdf2Digest digest,
                           std::span<const std::uint8_t> secret,
                           std::string_view salt,
                           std::uint32_t rounds,
                           std::size_t length,
                           const std::stop_token &stop)
{
    if (rounds == 0)
        return damaged("a key bag round count is 0");
    if (stop.stop_requested())
        return common::failure(Failure{Failure::Kind::Cancelled, "the key derivation was cancelled"});
    const auto hmac = Hmac::make(digest, secret);
    if (!hmac)
        return damaged("HMAC is not available");
    const std::size_t size = hmac->size();
    SecureBytes key(length);
    SecureBytes block(size); // U_j of the block being made
    SecureBytes sum(size); // their exclusive or, T_i
    for (std::uint32_t index = 1; (index - 1) * size < length; ++index) {
        const std::array<std::uint8_t, 4> count{
            static_cast<std::uint8_t>(index >> 24), static_cast<std::uint8_t>(index >> 16),
            static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
        if (!hmac->compute(bytesOf(salt), count, block.data()))
            return damaged("HMAC failed");
        std::copy_n(block.data(), size, sum.data());
        for (std::uint32_t round = 1; round < rounds; ++round) {
            if (round % roundsBetweenStops == 0 && stop.stop_requested())
                return common::failure(Failure{Failure::Kind::Cancelled, "the key derivation was cancelled"});
            if (!hmac->compute(block.span(), {}, block.data()))
                return damaged("HMAC failed");
            for (std::size_t i = 0; i < size; ++i)
                sum.data()[i] ^= block.data()[i];
        }
        const std::size_t done = (index - 1) * size;
        std::copy_n(sum.data(), std::min(size, length - done), key.data() + done);
    }
    return key;
}

} // namespace crypto
