#pragma once
// Whether this test runs built with the address sanitizer: unoptimised and with shadow memory,
// it runs several times slower, which bounds on time must allow for.
#if defined(__SANITIZE_ADDRESS__)
#define TD4700_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TD4700_ASAN 1
#endif
#endif

#ifdef TD4700_ASAN
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
