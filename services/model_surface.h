#pragma once

// The screen surface over an in-memory ScreenModel, as the POSIX terminal and
// the tests keep it: model_surface.cpp implements the surface calls of
// host.h that only touch cells, the cursor and the attribute; whoever links
// it provides the model and the rest.

#include "services/screen_model.h"

// The model the surface calls act on.
ScreenModel& surfaceModel();
