// The voice kernels for 6 to 7 unison copies.
#include "engine/voice_kernels.h"

namespace sorvella {

template void MyNote::chooseKernels<6, true>();
template void MyNote::chooseKernels<6, false>();
template void MyNote::chooseKernels<7, true>();
template void MyNote::chooseKernels<7, false>();

}  // namespace sorvella
