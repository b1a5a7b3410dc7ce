# Update files are installed only with a valid detached signature (ECDSA
# P-256 over SHA-256). The public key is compiled into Tavik6 and Velmora4.
#
#   TAVIK_UPDATE_PUBLIC_KEY   PEM file of the release's public key. Its private
#                             half never comes near the build.
#   (empty)                   the build makes a throw-away key pair at configure
#                             time in <build>/signing/: update-key.pem (private,
#                             mode 0600, for the tests and the demo) and
#                             update-key.pub.pem. Made once per build folder.
#   TAVIK_UPDATE_SIGNING_KEY  the private key the tests and the demo sign with;
#                             set to the throw-away key, empty for a release key
#                             (the tests that need to sign are then skipped).
#
# The key reaches the code as the raw uncompressed point (0x04, X, Y), the one
# form both libcrypto and CNG take without any parsing of our own.

find_program(TAVIK_OPENSSL openssl REQUIRED)
set(TAVIK_UPDATE_PUBLIC_KEY "" CACHE FILEPATH
  "PEM file with the public key update files must be signed with; empty: a throw-away key pair in the build folder")

set(tavik_signing_dir ${CMAKE_BINARY_DIR}/signing)
file(MAKE_DIRECTORY ${tavik_signing_dir})

if(TAVIK_UPDATE_PUBLIC_KEY)
  set(tavik_update_public_pem ${TAVIK_UPDATE_PUBLIC_KEY})
  # A folder that had a throw-away pair before does not sign with it any more.
  if(TAVIK_UPDATE_SIGNING_KEY STREQUAL "${tavik_signing_dir}/update-key.pem")
    unset(TAVIK_UPDATE_SIGNING_KEY CACHE)
  endif()
  set(TAVIK_UPDATE_SIGNING_KEY "" CACHE FILEPATH "Private key the tests and the demo sign update files with")
else()
  set(tavik_private ${tavik_signing_dir}/update-key.pem)
  set(tavik_update_public_pem ${tavik_signing_dir}/update-key.pub.pem)
  if(NOT EXISTS ${tavik_private})
    # umask first: the private key is never readable by others, not even for a moment.
    execute_process(
      COMMAND sh -c "umask 077 && exec \"$0\" genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out \"$1\""
              ${TAVIK_OPENSSL} ${tavik_private}
      RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not make the throw-away update signing key: ${error}")
    endif()
    file(REMOVE ${tavik_update_public_pem})
  endif()
  if(NOT EXISTS ${tavik_update_public_pem})
    execute_process(COMMAND ${TAVIK_OPENSSL} pkey -in ${tavik_private} -pubout -out ${tavik_update_public_pem}
      RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not write the public half of ${tavik_private}: ${error}")
    endif()
  endif()
  set(TAVIK_UPDATE_SIGNING_KEY ${tavik_private} CACHE FILEPATH
    "Private key the tests and the demo sign update files with" FORCE)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tavik_update_public_pem})

# The DER form of a P-256 public key is a fixed 26-byte header and the 65-byte
# point; anything else (another curve, another algorithm) is refused here.
set(tavik_public_der ${tavik_signing_dir}/update-key.pub.der)
execute_process(COMMAND ${TAVIK_OPENSSL} ec -pubin -in ${tavik_update_public_pem} -conv_form uncompressed
                        -outform DER -out ${tavik_public_der}
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${tavik_update_public_pem} is no EC public key: ${error}")
endif()
file(READ ${tavik_public_der} tavik_public_hex HEX)
set(tavik_p256_header "3059301306072a8648ce3d020106082a8648ce3d030107034200")
string(LENGTH "${tavik_public_hex}" tavik_public_hex_length)
string(SUBSTRING "${tavik_public_hex}" 0 52 tavik_public_prefix)
if(NOT tavik_public_hex_length EQUAL 182 OR NOT tavik_public_prefix STREQUAL tavik_p256_header)
  message(FATAL_ERROR "${tavik_update_public_pem} is no P-256 public key")
endif()
string(SUBSTRING "${tavik_public_hex}" 52 130 tavik_public_point)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " TAVIK_UPDATE_KEY_BYTES "${tavik_public_point}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/UpdateKey.h.in ${CMAKE_BINARY_DIR}/generated/update/UpdateKey.h @ONLY)
message(STATUS "Update files must be signed with the key of ${tavik_update_public_pem}")
