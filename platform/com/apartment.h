// The calling thread's COM state, for the runtime's own checks.
#pragma once

namespace com {

// True between a successful CoInitialize[Ex] of this thread and its matching CoUninitialize.
bool IsThreadInitialized();

}  // namespace com
