#include "ClientPosition.h"

#include <bit>
#include <optional>
#include <string>

namespace spawn {

namespace {

std::optional<std::uint32_t> readWord(ClientProcess& process, std::uint32_t address) {
    std::array<std::uint8_t, ClientLayout::kValueSize> bytes{};
    if (!process.read(address, bytes)) {
        return std::nullopt;
    }
    std::uint32_t word = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        word = (word << 8U) | bytes[i];
    }
    return word;
}

Error notReadable() {
    return Error{std::string(kClientNotReadableMessage)};
}

} // namespace

Result<ClientPosition> readClientPosition(ClientConnector& connector, std::size_t profileIndex) {
    const std::uint32_t base = kClientProfiles[profileIndex].baseAddress;

    auto opened = connector.open(ClientLayout::kWindowTitle);
    if (const auto* failure = std::get_if<ClientOpenFailure>(&opened)) {
        return *failure == ClientOpenFailure::NoWindow ? Error{std::string(kClientNotFoundMessage)}
                                                       : notReadable();
    }
    // Owned here, so the process is closed on every way out of this function.
    const std::unique_ptr<ClientProcess> process = std::move(std::get<0>(opened));

    // The client's pointers are 32 bits wide, so the sums wrap around as they do in the client.
    const auto p1 = readWord(*process, base + ClientLayout::kFirstPointerOffset);
    if (!p1) {
        return notReadable();
    }
    const auto p2 = readWord(*process, *p1 + ClientLayout::kSecondPointerOffset);
    if (!p2) {
        return notReadable();
    }
    const auto x = readWord(*process, *p2 + ClientLayout::kWorldXOffset);
    const auto y = x ? readWord(*process, *p2 + ClientLayout::kWorldYOffset) : std::nullopt;
    const auto z = y ? readWord(*process, *p2 + ClientLayout::kWorldZOffset) : std::nullopt;
    if (!z) {
        return notReadable();
    }
    return ClientPosition{std::bit_cast<float>(*x), std::bit_cast<float>(*y), std::bit_cast<float>(*z)};
}

} // namespace spawn
