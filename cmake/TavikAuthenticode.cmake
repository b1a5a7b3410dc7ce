# Authenticode for the Windows programs: every program the Windows build
# makes (every executable under src/ and tools/) is signed after linking by
# Debian's osslsigncode, so Windows shows who made it and notices a change.
#
#   TAVIK_AUTHENTICODE_CERT, TAVIK_AUTHENTICODE_KEY   a release's code-signing
#       certificate (PEM, with its chain) and private key (PEM), from outside
#       the repository; TAVIK_AUTHENTICODE_PASSWORD_FILE holds the key's
#       password when it has one; TAVIK_AUTHENTICODE_CA the root the check
#       in the tests trusts (default: the certificate itself).
#   (empty)  a throw-away self-signed code-signing certificate is made at
#       configure time in <build>/signing/ (authenticode-key.pem stays there).

find_program(TAVIK_OSSLSIGNCODE osslsigncode REQUIRED)
set(TAVIK_AUTHENTICODE_CERT "" CACHE FILEPATH "Code-signing certificate for the Windows programs (PEM)")
set(TAVIK_AUTHENTICODE_KEY "" CACHE FILEPATH "Private key of the code-signing certificate (PEM)")
set(TAVIK_AUTHENTICODE_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of that key, if any")
set(TAVIK_AUTHENTICODE_CA "" CACHE FILEPATH "Root certificate the signature check trusts; empty: the certificate itself")

if(TAVIK_AUTHENTICODE_CERT)
  if(NOT TAVIK_AUTHENTICODE_KEY)
    message(FATAL_ERROR "TAVIK_AUTHENTICODE_CERT needs TAVIK_AUTHENTICODE_KEY")
  endif()
  set(tavik_authenticode_cert ${TAVIK_AUTHENTICODE_CERT})
  set(tavik_authenticode_key ${TAVIK_AUTHENTICODE_KEY})
else()
  set(tavik_authenticode_cert ${tavik_signing_dir}/authenticode-cert.pem)
  set(tavik_authenticode_key ${tavik_signing_dir}/authenticode-key.pem)
  if(NOT EXISTS ${tavik_authenticode_cert} OR NOT EXISTS ${tavik_authenticode_key})
    execute_process(
      COMMAND sh -c "umask 077 && exec \"$0\" req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -sha256 -nodes -days 3650 -subj \"/CN=Tavik6 Testsignatur (nur zum Testen)\" -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning -keyout \"$1\" -out \"$2\""
              ${TAVIK_OPENSSL} ${tavik_authenticode_key} ${tavik_authenticode_cert}
      RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not make the throw-away code-signing certificate: ${error}")
    endif()
  endif()
endif()
set(tavik_authenticode_ca ${TAVIK_AUTHENTICODE_CA})
if(NOT tavik_authenticode_ca)
  set(tavik_authenticode_ca ${tavik_authenticode_cert})
endif()

# The executables defined in `dir` and below.
function(tavik_executables_under dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    tavik_executables_under(${subdir} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The osslsigncode command (a list) that writes `in` signed to `out`; the
# programs, the installer and its uninstaller are all signed with it.
function(tavik_authenticode_command in out result)
  set(password)
  if(TAVIK_AUTHENTICODE_PASSWORD_FILE)
    set(password -readpass ${TAVIK_AUTHENTICODE_PASSWORD_FILE})
  endif()
  set(${result} ${TAVIK_OSSLSIGNCODE} sign -certs ${tavik_authenticode_cert} -key ${tavik_authenticode_key} ${password}
      -h sha256 -n Tavik6 -in ${in} -out ${out} PARENT_SCOPE)
endfunction()

# Signs every program of src/ and tools/ right after it is linked, and adds a
# test per program that osslsigncode accepts its signature. Called once, at
# the end of the top-level CMakeLists.
function(tavik_sign_windows_programs)
  set(programs)
  foreach(dir src tools)
    tavik_executables_under(${CMAKE_SOURCE_DIR}/${dir} found)
    list(APPEND programs ${found})
  endforeach()
  foreach(program IN LISTS programs)
    # A rule of its own after each link (a post-build step can only be added
    # where the program is defined). The signed program is written beside it
    # and renamed over it, so an interrupted build never leaves half a
    # program; the stamp says this link's output is signed.
    set(stamp ${tavik_signing_dir}/${program}.authenticode-stamp)
    tavik_authenticode_command($<TARGET_FILE:${program}> $<TARGET_FILE:${program}>.signed sign)
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${sign}
      COMMAND ${CMAKE_COMMAND} -E rename $<TARGET_FILE:${program}>.signed $<TARGET_FILE:${program}>
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${program}
      COMMENT "Authenticode: ${program}"
      VERBATIM)
    add_custom_target(authenticode_${program} ALL DEPENDS ${stamp})
    if(BUILD_TESTING)
      add_test(NAME authenticode.${program}
        COMMAND ${TAVIK_OSSLSIGNCODE} verify -CAfile ${tavik_authenticode_ca} -in $<TARGET_FILE:${program}>)
      set_tests_properties(authenticode.${program} PROPERTIES
        PASS_REGULAR_EXPRESSION "Signature verification: ok"
        FAIL_REGULAR_EXPRESSION "MISMATCH|Signature verification: failed|No signature found")
    endif()
  endforeach()
  message(STATUS "Authenticode signs: ${programs}")
endfunction()
