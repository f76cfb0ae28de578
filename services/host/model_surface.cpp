#include "services/host/model_surface.h"

#include "services/host/host.h"

namespace {

// The screen the surface stands for.
struct ModelSurface {
    ScreenModel model;
};

ModelSurface surface;

} // namespace

ScreenModel& surfaceModel() {
    return surface.model;
}

int surfaceWidth() {
    return surfaceModel().width;
}

int surfaceHeight() {
    return surfaceModel().height;
}

bool surfaceCursor(int& row, int& column, std::uint8_t& attribute) {
    const ScreenModel& model = surfaceModel();
    row = model.cursorRow;
    column = model.cursorColumn;
    attribute = model.attribute;
    return true;
}

void surfaceSetAttribute(std::uint8_t attribute) {
    surfaceModel().attribute = attribute;
}

void surfacePutRun(int row, int column, const ScreenCharacter* characters, std::size_t count,
                   std::uint8_t attribute) {
    putCharacters(surfaceModel(), row, column, characters, count, attribute);
}

void surfaceFillRow(int row, std::uint8_t attribute) {
    fillRow(surfaceModel(), row, attribute);
}

// The model is the text area alone; what lies beside it is the presenter's.
void surfaceBlankOutside(std::uint8_t) {}

void surfaceScrollUp(int rows, std::uint8_t attribute) {
    scrollUp(surfaceModel(), rows, attribute);
}

void surfacePlaceCursor(int row, int column) {
    ScreenModel& model = surfaceModel();
    model.cursorRow = row;
    model.cursorColumn = column;
}
