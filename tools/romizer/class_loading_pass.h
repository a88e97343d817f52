// The romizer's first pass: every class of the archives on the class path
// is loaded, the classes of the start without an image first (they are
// loaded already), then the others sorted by name. Class ids follow the
// load order; the model's class list is the class table by id.
#pragma once

#include <string>
#include <vector>

#include "tools/romizer/romizer_model.h"

// The names of the archives' memory files, the system library first.
void romizer_loadClasses(RomizerModel& model, const std::vector<std::string>& archives);

// The class being loaded while the core may stop on it ("" outside the
// loading), for the romizer's message.
const std::string& romizer_classBeingLoaded();
