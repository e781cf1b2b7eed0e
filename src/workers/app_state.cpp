#include "workers/app_state.h"

AppState& TheAppState() {
    static AppState* const state = new AppState;
    return *state;
}
