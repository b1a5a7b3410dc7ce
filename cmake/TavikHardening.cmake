# Debian's usual hardening for every program and library of the build: stack
# protector, fortified C library calls (where optimising), format checks,
# position-independent programs and a read-only relocation table bound at
# start. The sanitizer and fuzz builds bring their own instrumentation.

option(TAVIK_HARDEN "Build with Debian's hardening flags" ON)

if(TAVIK_HARDEN AND NOT WIN32 AND NOT TAVIK_SANITIZE AND NOT TAVIK_FUZZ)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
                      -Werror=format-security
                      "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|amd64|i.86")
    add_compile_options(-fcf-protection)
  endif()
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
