#pragma once
// ORDAVIA_TEST_ASAN is defined when the address sanitizer is built in: its
// shadow memory does not fit under an address-space limit, so tests that
// set one skip themselves. gcc names the sanitizer with a macro, clang with
// a feature test.
#if defined(__SANITIZE_ADDRESS__)
#define ORDAVIA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORDAVIA_TEST_ASAN 1
#endif
#endif
