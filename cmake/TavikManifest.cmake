# The application manifest every Windows program carries: the execution
# level it asks for, the Windows versions it knows, the common controls 6.
# One template (Program.manifest.in), filled in per program and compiled by
# windres as resource 1 of type RT_MANIFEST straight into the program.
# The program's other .rc files hold no manifest, so there is exactly one.
enable_language(RC)

set(TAVIK_MANIFEST_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/Program.manifest.in)

# tavik_program_manifest(<target> <level>): <level> is asInvoker,
# highestAvailable or requireAdministrator.
function(tavik_program_manifest target level)
  if(NOT level MATCHES "^(asInvoker|highestAvailable|requireAdministrator)$")
    message(FATAL_ERROR "tavik_program_manifest(${target}): unknown execution level '${level}'")
  endif()
  set(TAVIK_MANIFEST_PROGRAM ${target})
  set(TAVIK_MANIFEST_LEVEL ${level})
  # The manifest's version has four numbers.
  set(TAVIK_MANIFEST_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TAVIK_MANIFEST_ARCH amd64)
  else()
    set(TAVIK_MANIFEST_ARCH x86)
  endif()
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/manifest)
  configure_file(${TAVIK_MANIFEST_TEMPLATE} ${folder}/${target}.manifest @ONLY)
  # 24 is RT_MANIFEST; windres needs no header for it.
  file(WRITE ${folder}/${target}.manifest.rc.in "1 24 \"${folder}/${target}.manifest\"\n")
  configure_file(${folder}/${target}.manifest.rc.in ${folder}/${target}.manifest.rc COPYONLY)
  set_source_files_properties(${folder}/${target}.manifest.rc PROPERTIES OBJECT_DEPENDS ${folder}/${target}.manifest)
  target_sources(${target} PRIVATE ${folder}/${target}.manifest.rc)
endfunction()
