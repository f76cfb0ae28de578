#include "convert/display_colours.h"

Picture shownPicture(const Picture& picture) {
    Picture shown = picture;
    for (std::size_t at = 0; at + 2 < shown.rgb.size(); at += 3) {
        const Colour colour =
            shownColour(Colour{shown.rgb[at], shown.rgb[at + 1], shown.rgb[at + 2]});
        shown.rgb[at] = colour.red;
        shown.rgb[at + 1] = colour.green;
        shown.rgb[at + 2] = colour.blue;
    }
    return shown;
}
