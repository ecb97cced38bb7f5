#pragma once
// Clang's thread-safety attributes: a field names the lock that guards it, a function the
// locks it needs, and a Clang build with -Wthread-safety fails where code touches a field
// without its lock. Other compilers see nothing.
#if defined(__clang__)
#define TRAWLIX_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define TRAWLIX_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) TRAWLIX_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY TRAWLIX_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) TRAWLIX_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) TRAWLIX_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) TRAWLIX_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) TRAWLIX_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) TRAWLIX_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) TRAWLIX_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) TRAWLIX_THREAD_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
