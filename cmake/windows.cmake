# The 32-bit Windows build (mingw-w64, i686): ExportFKVentalor.dll and the
# host TOMIVA.exe from the same sources as the native build.  Only the
# platform layer (*_windows.cpp instead of *_native.cpp, and the host's
# loader and export table) and the thunks (thunks_i386.S) differ.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4 OR NOT CMAKE_SYSTEM_PROCESSOR MATCHES "i.86")
  message(FATAL_ERROR "The Windows build is 32-bit (i686); configure it with the \"windows\" preset")
endif()

# The plug-in's version resource is compiled by windres.
enable_language(RC)

# No run-time DLLs of the compiler beside the plug-in or the host: the C++
# and GCC libraries are linked in, so both import only system libraries.
set(WINDOWS_STATIC_RUNTIME -static-libgcc -static-libstdc++)

# The plug-in, built twice from the same objects:
#   ExportFKVentalor      the DLL of the package, shipped/ExportFKVentalor.dll:
#                         stripped, and the same bytes from every build of one
#                         tree (no timestamp, no build path, a fixed image
#                         base); linked first with its symbols into
#                         shipped/symbols/, which tests/windows/exports_test.sh
#                         reads and strips again to compare.
#   ExportFKVentalorTest  the DLL of the tests, plugins/ExportFKVentalor.dll
#                         next to TOMIVA.exe: the same but for the platform
#                         layer's test hook (VENTALOR_PROMPT_ANSWERS_HOOK: the
#                         Abort/Retry/Ignore box answered from
#                         TOMIVA_PROMPT_ANSWERS, for Wine without a display).
file(GLOB PLUGIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/plugin/*.cpp
  ${CMAKE_SOURCE_DIR}/shell/*.cpp
  ${CMAKE_SOURCE_DIR}/options/*.cpp
  ${CMAKE_SOURCE_DIR}/export/*.cpp)
list(FILTER PLUGIN_SOURCES EXCLUDE REGEX ".*_native\\.cpp$")
# The two sources that differ: the platform layer, compiled with or without
# the hook, and the printing of a box on the standard error, which only the
# hook uses.
set(PLUGIN_PLATFORM_SOURCE ${CMAKE_SOURCE_DIR}/shell/platform_windows.cpp)
set(PLUGIN_PROMPT_PRINT_SOURCE ${CMAKE_SOURCE_DIR}/shell/platform_prompt.cpp)
list(REMOVE_ITEM PLUGIN_SOURCES ${PLUGIN_PLATFORM_SOURCE} ${PLUGIN_PROMPT_PRINT_SOURCE})
# Its version resource (file and product version, description, copyright),
# made from packaging/ExportFKVentalor.rc.in with the project's version.
configure_file(${CMAKE_SOURCE_DIR}/packaging/ExportFKVentalor.rc.in ${CMAKE_BINARY_DIR}/ExportFKVentalor.rc @ONLY)
# Code for the host's process: 32-bit Windows promises a stack aligned to 4
# bytes only, so GCC may assume no more of the stack it is called with
# (-mincoming-stack-boundary=2), and no SSE, whose aligned loads and stores
# would fault on such a stack; x87 for floating point.  No build path in the
# objects (the DLL holds none once stripped; this keeps it so).
set(PLUGIN_CODE_OPTIONS -march=i686 -mno-sse -mfpmath=387 -mincoming-stack-boundary=2
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
add_library(plugin_objects OBJECT ${PLUGIN_SOURCES} shell/thunks_i386.S ${CMAKE_BINARY_DIR}/ExportFKVentalor.rc)
# Exports by number only, the export directory named ExportFKVentalor.dll.
set(PLUGIN_DEF ${CMAKE_SOURCE_DIR}/plugin/ExportFKVentalor.def)
# The image base the linker chose for this DLL so far from its name, fixed:
# the linker's own choice hashes the output path as given to it.
set(PLUGIN_LINK_OPTIONS ${PLUGIN_DEF} ${WINDOWS_STATIC_RUNTIME} -Wl,--no-undefined
    -Wl,--no-insert-timestamp -Wl,--image-base=0x63140000)
add_library(ExportFKVentalor MODULE $<TARGET_OBJECTS:plugin_objects> ${PLUGIN_PLATFORM_SOURCE})
set_target_properties(ExportFKVentalor PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/shipped/symbols)
add_library(ExportFKVentalorTest MODULE $<TARGET_OBJECTS:plugin_objects> ${PLUGIN_PLATFORM_SOURCE}
            ${PLUGIN_PROMPT_PRINT_SOURCE})
target_compile_definitions(ExportFKVentalorTest PRIVATE VENTALOR_PROMPT_ANSWERS_HOOK)
set_target_properties(ExportFKVentalorTest PROPERTIES OUTPUT_NAME ExportFKVentalor
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
foreach(target plugin_objects ExportFKVentalor ExportFKVentalorTest)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX,ASM>:${PLUGIN_CODE_OPTIONS}>")
endforeach()
foreach(target ExportFKVentalor ExportFKVentalorTest)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".dll" LINK_DEPENDS ${PLUGIN_DEF})
  target_link_options(${target} PRIVATE ${PLUGIN_LINK_OPTIONS})
  target_link_libraries(${target} PRIVATE user32)
endforeach()
# The package's DLL stripped of its symbols.  strip writes the time into the
# file's header unless SOURCE_DATE_EPOCH says another: 0, as the link left it.
set(PLUGIN_SHIPPED_DLL ${CMAKE_BINARY_DIR}/shipped/ExportFKVentalor.dll)
find_program(MINGW_STRIP ${CMAKE_STRIP} i686-w64-mingw32-strip REQUIRED)
add_custom_command(TARGET ExportFKVentalor POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
          ${MINGW_STRIP} --strip-all -o ${PLUGIN_SHIPPED_DLL} $<TARGET_FILE:ExportFKVentalor>
  BYPRODUCTS ${PLUGIN_SHIPPED_DLL}
  COMMENT "The package's DLL, stripped: shipped/ExportFKVentalor.dll"
  VERBATIM)

# SQLite for the host: the amalgamation that scripts/setup_windows.sh makes
# from Debian's source package, once per build tree.
set(VENTALOR_SQLITE_DIR ${CMAKE_BINARY_DIR}/sqlite CACHE PATH "Folder with the SQLite amalgamation (sqlite3.c, sqlite3.h)")
if(NOT EXISTS ${VENTALOR_SQLITE_DIR}/sqlite3.c OR NOT EXISTS ${VENTALOR_SQLITE_DIR}/sqlite3.h)
  message(FATAL_ERROR "No SQLite amalgamation in ${VENTALOR_SQLITE_DIR}: run scripts/setup_windows.sh first")
endif()
add_library(sqlite3_amalgamation STATIC ${VENTALOR_SQLITE_DIR}/sqlite3.c)
target_include_directories(sqlite3_amalgamation PUBLIC ${VENTALOR_SQLITE_DIR})
# Connections on two threads, each used by one (the firm's check at open), no
# extensions; the amalgamation is not ours to warn about.
target_compile_definitions(sqlite3_amalgamation PRIVATE SQLITE_THREADSAFE=2 SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(sqlite3_amalgamation PRIVATE -w -g0)

# The host's exports: every entry of the list, by number only (TOMIVA.def
# made from TOMIVA.def.in and the list by the C preprocessor).
set(HOST_DEF ${CMAKE_BINARY_DIR}/TOMIVA.def)
add_custom_command(OUTPUT ${HOST_DEF}
  COMMAND ${CMAKE_C_COMPILER} -E -P -x c -I${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/host/module/TOMIVA.def.in -o ${HOST_DEF}
  DEPENDS ${CMAKE_SOURCE_DIR}/host/module/TOMIVA.def.in ${CMAKE_SOURCE_DIR}/contract/host_entries.h
  COMMENT "Host exports from the list of host entries"
  VERBATIM)
add_custom_target(tomiva_def DEPENDS ${HOST_DEF})

# libxml2 for verify: the static library that scripts/setup_windows.sh makes
# from Debian's source package, once per build tree.
set(VENTALOR_LIBXML2_DIR ${CMAKE_BINARY_DIR}/libxml2 CACHE PATH "Folder with libxml2 for i686 Windows (lib/libxml2.a, include/libxml)")
if(NOT EXISTS ${VENTALOR_LIBXML2_DIR}/lib/libxml2.a OR NOT EXISTS ${VENTALOR_LIBXML2_DIR}/include/libxml/xmlreader.h)
  message(FATAL_ERROR "No libxml2 in ${VENTALOR_LIBXML2_DIR}: run scripts/setup_windows.sh first")
endif()
add_library(libxml2_static STATIC IMPORTED)
set_target_properties(libxml2_static PROPERTIES
  IMPORTED_LOCATION ${VENTALOR_LIBXML2_DIR}/lib/libxml2.a
  INTERFACE_INCLUDE_DIRECTORIES ${VENTALOR_LIBXML2_DIR}/include
  INTERFACE_COMPILE_DEFINITIONS LIBXML_STATIC)
include(${CMAKE_SOURCE_DIR}/cmake/export_schema.cmake)

# The host: every host source but the native loader, export table and
# terminal-only parts, with their Windows counterparts, and verify.
file(GLOB_RECURSE HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/*.cpp)
list(FILTER HOST_SOURCES EXCLUDE REGEX ".*/host_exports\\.cpp$")
list(FILTER HOST_SOURCES EXCLUDE REGEX ".*_native\\.cpp$")
# The stack check of the host with latitude (host/services/host_latitude.h).
add_executable(TOMIVA ${HOST_SOURCES} ${CMAKE_SOURCE_DIR}/host/services/host_latitude_i386.S ${EXPORT_SCHEMA_SOURCE})
target_compile_definitions(TOMIVA PRIVATE TOMIVA_VERSION="${PROJECT_VERSION}" TOMIVA_WITH_VERIFY)
add_dependencies(TOMIVA tomiva_def ExportFKVentalorTest)
target_include_directories(TOMIVA PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(TOMIVA PROPERTIES LINK_DEPENDS ${HOST_DEF})
target_link_options(TOMIVA PRIVATE ${HOST_DEF} ${WINDOWS_STATIC_RUNTIME} -static)
# GCC 12 sees an overlap that is not there in std::string's inlined copies at -O3.
target_compile_options(TOMIVA PRIVATE -Wno-restrict)
target_link_libraries(TOMIVA PRIVATE sqlite3_amalgamation libxml2_static shell32)

# The package as users receive it: ExportFKVentalor-<version>-win32.zip with
# the DLL, the installation guide in Polish (CR LF, for Notepad) and the
# schema of the export file.  `cmake --build --preset windows --target package`.
configure_file(${CMAKE_SOURCE_DIR}/packaging/INSTALACJA.txt.in ${CMAKE_BINARY_DIR}/INSTALACJA.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PLUGIN_SHIPPED_DLL} ${CMAKE_BINARY_DIR}/INSTALACJA.txt
              ${CMAKE_SOURCE_DIR}/docs/export-file.xsd
        DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ExportFKVentalor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME ExportFKVentalor-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

# Checks of the built files: their export tables with objdump, the host with
# the plug-in under Wine, the package and the DLL's version (tests/windows).
if(VENTALOR_TESTS)
  enable_testing()
  find_program(MINGW_OBJDUMP ${CMAKE_OBJDUMP} i686-w64-mingw32-objdump REQUIRED)
  # The package's DLL as linked (with its symbols) and as shipped, and the
  # tests' DLL, which alone may have the prompt hook.
  add_test(NAME Windows.ExportTables
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/exports_test.sh
            ${MINGW_OBJDUMP} $<TARGET_FILE:ExportFKVentalor> $<TARGET_FILE:TOMIVA> ${CMAKE_SOURCE_DIR}/contract/host_entries.h
            ${PLUGIN_SHIPPED_DLL} $<TARGET_FILE:ExportFKVentalorTest>)
  # The package's DLL built again in a build tree of its own (another path,
  # another time): the same bytes.
  add_test(NAME Windows.ReproducibleDll
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/reproducible_test.sh
            ${CMAKE_COMMAND} ${CMAKE_SOURCE_DIR} ${CMAKE_TOOLCHAIN_FILE} ${CMAKE_BUILD_TYPE}
            ${VENTALOR_SQLITE_DIR} ${VENTALOR_LIBXML2_DIR} ${PLUGIN_SHIPPED_DLL})
  # The Wine prefix is made once, in this build tree.  A demo firm is also
  # exported by both builds and compared: the native tomiva must be built.
  set(VENTALOR_NATIVE_TOMIVA ${CMAKE_SOURCE_DIR}/build/native/tomiva CACHE FILEPATH
      "The native tomiva, for comparing both builds' exports of a demo firm (the Wine test fails without it)")
  # The test makes the package itself (cpack into a folder of its own), so it
  # needs no `package` build first.
  add_test(NAME Windows.Package
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/package_test.sh
            ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${PLUGIN_SHIPPED_DLL}
            ${CMAKE_SOURCE_DIR}/docs/export-file.xsd ${PROJECT_VERSION} ${MINGW_OBJDUMP})
  # A plug-in that breaks a promise of the contract on request, for the
  # latitude host's checks (tests/cli/latitude_breach_plugin.cpp); kept out
  # of the "plugins" folder, so that only the test loads it.
  set(BREACH_DEF ${CMAKE_SOURCE_DIR}/tests/cli/latitude_breach_plugin.def)
  add_library(latitude_breach_plugin MODULE ${CMAKE_SOURCE_DIR}/tests/cli/latitude_breach_plugin.cpp
              ${CMAKE_SOURCE_DIR}/options/options_dialog_block.cpp)
  target_include_directories(latitude_breach_plugin PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(latitude_breach_plugin PROPERTIES PREFIX "" SUFFIX ".dll"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test_plugins LINK_DEPENDS ${BREACH_DEF})
  target_link_options(latitude_breach_plugin PRIVATE ${BREACH_DEF} ${WINDOWS_STATIC_RUNTIME})
  # The tests' DLL (its prompts answered from --prompt-answers); the
  # package's DLL exports the golden firm too.
  # Skipped (77, with the reason) where this machine cannot run 32-bit x86
  # programs; the next test then proves the DLL under emulation.
  set(WINE_TEST_ARGUMENTS
      $<TARGET_FILE:TOMIVA> $<TARGET_FILE:ExportFKVentalorTest> ${CMAKE_SOURCE_DIR}/tests/data
      ${CMAKE_BINARY_DIR}/wineprefix ${VENTALOR_NATIVE_TOMIVA} $<TARGET_FILE:latitude_breach_plugin>
      ${PLUGIN_SHIPPED_DLL})
  add_test(NAME Windows.UnderWine
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/wine_test.sh --route native ${WINE_TEST_ARGUMENTS})
  # The golden export and verify's two verdicts with every 32-bit program run
  # by qemu's user-mode emulation (tests/windows/i386_route.sh), on a machine
  # that cannot run 32-bit programs itself (or with VENTALOR_EMULATE_I386=1);
  # elsewhere the route is only started, and the test skipped.  On a machine
  # that cannot, the prefix is made under emulation too, once per build tree
  # (many minutes).
  add_test(NAME Windows.UnderEmulation
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/wine_test.sh --route emulated --scope core ${WINE_TEST_ARGUMENTS})
  # Both use the one prefix and its server; a hung Wine fails the test in
  # time rather than eating the test command's budget.
  set_tests_properties(Windows.UnderWine Windows.UnderEmulation PROPERTIES
    SKIP_RETURN_CODE 77 RESOURCE_LOCK wineprefix)
  set_tests_properties(Windows.UnderWine PROPERTIES TIMEOUT 1800)
  set_tests_properties(Windows.UnderEmulation PROPERTIES TIMEOUT 3600)
endif()
