// spawn-tool coords: the six coordinate boxes after three texts are typed into the world boxes
// or the map boxes, computed by the same code as the window's.

#include "CoordinateConversion.h"
#include "ToolCommon.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace spawn::tool {

namespace {

constexpr std::size_t kTextsPerMode = 3;

// Types the texts one after the other into `boxes`, each a change of that box alone, starting
// from the all-zero members of a new window.
ToolOutput coordsCommand(const std::vector<std::string>& texts, const std::vector<CoordinateBox>& boxes) {
    CoordinateState state;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        state = changeBox(state, boxes[i], texts[i]);
    }
    return printJson(coordinatesJson(state));
}

} // namespace

Json coordinatesJson(const CoordinateState& state) {
    Json out;
    out["boxes"] = boxTexts(state);
    const MapPoint marker = markerPoint(state);
    out["marker"] = Json::array({marker.column, marker.rowFromTop});
    return out;
}

void addCoordinateCommands(CLI::App& app, Action& action) {
    struct Options {
        std::vector<std::string> world;
        std::vector<std::string> map;
    };
    const auto options = std::make_shared<Options>();

    auto* coords = app.add_subcommand(
        "coords",
        "Type three texts into the world boxes or the map boxes; print all six boxes and the marker");
    // One group of three values each. CLI11 takes a group's values whatever they look like, so
    // "-", "-abc", "--" and "" arrive as texts, not as options (values beyond a group would be
    // checked for looking like options).
    auto* world = coords->add_option("--world", options->world, "texts for world X, Y (height) and Z")
                      ->type_size(static_cast<int>(kTextsPerMode))
                      ->expected(1)
                      ->allow_extra_args(false)
                      ->type_name("X Y Z");
    auto* map = coords->add_option("--map", options->map, "texts for map X, map Y and height")
                    ->type_size(static_cast<int>(kTextsPerMode))
                    ->expected(1)
                    ->allow_extra_args(false)
                    ->type_name("X Y H");
    world->excludes(map);
    coords->require_option(1);
    coords->callback([&action, options] {
        action = [options] {
            if (!options->world.empty()) {
                return coordsCommand(options->world,
                                     {CoordinateBox::WorldX, CoordinateBox::WorldY, CoordinateBox::WorldZ});
            }
            return coordsCommand(options->map,
                                 {CoordinateBox::MapX, CoordinateBox::MapY, CoordinateBox::MapHeight});
        };
    });
}

} // namespace spawn::tool
