#pragma once

// The screen surface over an in-memory ScreenModel, as the POSIX terminal and
// the tests keep it: model_surface.cpp holds the model and implements the
// surface calls of host.h that only touch cells, the cursor and the
// attribute; whoever links it provides the rest (presenting, passing
// bytes through, the bell).

#include "services/host/screen_model.h"

// The model the surface calls act on; empty until it is given a size.
ScreenModel& surfaceModel();
