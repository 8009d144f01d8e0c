// Particle systems: an engine extra the saver leaves empty; it only takes the device phases.
#pragma once

#include "engine/TWCollection.h"

class TWParticleSystems : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
