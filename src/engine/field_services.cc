#include "engine/field_services.h"

namespace tev {

FieldServices& fieldServices() {
  static FieldServices services;
  return services;
}

}  // namespace tev
