# libsodium's Ed25519 verification, SHA-256 and base64 decoding as the target `sodium_verify`,
# compiled from the sources scripts/setup takes out of Debian's libsodium source package, for
# both builds: the unit tests run the very code Kestrane.dll carries. Only these parts: the
# library's initialisation and random-number code import SystemFunction036 (Windows XP and
# later), which Kestrane must not.
set(KESTRANE_SODIUM_DIR ${CMAKE_SOURCE_DIR}/third_party/libsodium/libsodium)
if(NOT EXISTS ${KESTRANE_SODIUM_DIR}/crypto_sign/ed25519/ref10/open.c)
  message(FATAL_ERROR "libsodium sources missing: run scripts/setup")
endif()
add_library(sodium_verify STATIC
  ${KESTRANE_SODIUM_DIR}/crypto_sign/ed25519/ref10/open.c
  ${KESTRANE_SODIUM_DIR}/crypto_sign/ed25519/ref10/sign.c
  ${KESTRANE_SODIUM_DIR}/crypto_core/ed25519/ref10/ed25519_ref10.c
  ${KESTRANE_SODIUM_DIR}/crypto_hash/sha512/cp/hash_sha512_cp.c
  ${KESTRANE_SODIUM_DIR}/crypto_hash/sha256/cp/hash_sha256_cp.c
  ${KESTRANE_SODIUM_DIR}/crypto_verify/sodium/verify.c
  ${KESTRANE_SODIUM_DIR}/sodium/codecs.c
  ${KESTRANE_SODIUM_DIR}/sodium/utils.c
  ${CMAKE_CURRENT_LIST_DIR}/libsodium_unreached.c
)
target_include_directories(sodium_verify SYSTEM PUBLIC ${KESTRANE_SODIUM_DIR}/include)
target_include_directories(sodium_verify PRIVATE ${KESTRANE_SODIUM_DIR}/include/sodium)
target_compile_definitions(sodium_verify PUBLIC SODIUM_STATIC)
# As its own build configures it for x86: the 32-bit field arithmetic in both builds.
target_compile_definitions(sodium_verify PRIVATE CONFIGURED=1 NATIVE_LITTLE_ENDIAN=1)
target_compile_options(sodium_verify PRIVATE -w)
if(KESTRANE_WIN32)
  # utils.c as libsodium builds it for Windows Store apps: sodium_memcmp and sodium_memzero
  # unchanged, without the guarded allocator whose imports (VirtualLock, GetSystemInfo ...)
  # would stay in the DLL even when the linker drops its code.
  set_source_files_properties(${KESTRANE_SODIUM_DIR}/sodium/utils.c PROPERTIES
    COMPILE_DEFINITIONS WINAPI_FAMILY=2)  # WINAPI_FAMILY_PC_APP
  # Without unwind tables, whose entries would keep every function alive, the linker drops what
  # verification does not reach (the signing half and its 30 KB table among it).
  target_compile_options(sodium_verify PRIVATE -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()

if(NOT KESTRANE_WIN32)
  # Key pairs made from a seed, for the tests that sign updates as an author would.
  add_library(sodium_sign_for_tests STATIC
    ${KESTRANE_SODIUM_DIR}/crypto_sign/ed25519/ref10/keypair.c)
  target_include_directories(sodium_sign_for_tests PRIVATE ${KESTRANE_SODIUM_DIR}/include/sodium)
  target_compile_definitions(sodium_sign_for_tests PRIVATE CONFIGURED=1 NATIVE_LITTLE_ENDIAN=1)
  target_compile_options(sodium_sign_for_tests PRIVATE -w)
  target_link_libraries(sodium_sign_for_tests PUBLIC sodium_verify)
endif()
