// Mesh files with their frame hierarchies: an engine extra the saver leaves empty; it only takes
// the device phases.
#pragma once

#include "engine/TWCollection.h"

class TWXFiles : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
