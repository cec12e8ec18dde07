#include "platform/application_properties.h"

namespace Lumidraft {

APIApplicationProperties& applicationProperties()
{
    static APIApplicationProperties record;
    return record;
}

} // namespace Lumidraft
