# The fuzz targets as a library, for the libFuzzer programs here and for the regression
# replay of the normal build (tests/hardening). The fixed inputs in fuzz/data are compiled
# in, so the targets need no file of the source tree at run time.
set(ZED_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

# zed_fuzz_targets_library(name): the static library `name` with the four targets.
function(zed_fuzz_targets_library name)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${name}_data.cpp)
  set(body "// Made by fuzz/FuzzData.cmake from fuzz/data; do not edit.\n")
  string(APPEND body "#include \"FuzzSupport.h\"\n\nnamespace zedfuzz {\nnamespace {\n")
  set(accessors "")
  foreach(pair "merge.res;MergeImage" "base.res;BaseImage" "stub.exe;StubProgram")
    list(GET pair 0 file)
    list(GET pair 1 fn)
    set(path ${ZED_FUZZ_DIR}/data/${file})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
    file(READ ${path} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
    string(APPEND body "const std::uint8_t k${fn}[] = {\n${bytes}};\n")
    string(APPEND accessors "Blob ${fn}() { return {k${fn}, sizeof k${fn}}; }\n")
  endforeach()
  string(APPEND body "}  // namespace\n\n${accessors}\n}  // namespace zedfuzz\n")
  file(WRITE ${generated}.new "${body}")
  configure_file(${generated}.new ${generated} COPYONLY)

  file(GLOB sources CONFIGURE_DEPENDS ${ZED_FUZZ_DIR}/targets/*.cpp)
  add_library(${name} STATIC ${sources} ${generated})
  target_include_directories(${name} PUBLIC ${ZED_FUZZ_DIR}/targets)
  target_link_libraries(${name} PUBLIC patch resfile pefile restypes ZLIB::ZLIB)
  zed_target(${name})
endfunction()
