// spawn-tool client-position: the player's position from a running game client, as the six
// coordinate boxes and the marker would show it after the window's "-----" button.

#include "ClientPosition.h"
#include "CoordinateConversion.h"
#include "ToolCommon.h"

#include <cstddef>
#include <memory>
#include <string>

namespace spawn::tool {

namespace {

ToolOutput clientPositionCommand(std::size_t profileIndex) {
    const auto connector = makeClientConnector();
    const auto position = readClientPosition(*connector, profileIndex);
    if (!position) {
        return failure(position.error().message);
    }
    const ClientPosition& p = position.value();
    return printJson(coordinatesJson(worldPositionState(p.x, p.y, p.z)));
}

} // namespace

void addClientCommands(CLI::App& app, Action& action) {
    const auto profile = std::make_shared<std::size_t>(0);

    auto* command = app.add_subcommand("client-position",
                                       "Read the player's position from the running game client (window \"" +
                                           std::string(ClientLayout::kWindowTitle) +
                                           "\"); print all six boxes and the marker");
    command
        ->add_option("--profile", *profile, "client profile: 0 = " + std::string(kClientProfiles[0].listText))
        ->transform(decimalInteger())
        ->check(CLI::Range(std::size_t{0}, kClientProfiles.size() - 1));
    command->callback([&action, profile] { action = [profile] { return clientPositionCommand(*profile); }; });
}

} // namespace spawn::tool
