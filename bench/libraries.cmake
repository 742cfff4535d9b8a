# The libraries that bench/ and tests/bench/ share: the benchmarks' input
# generator and the disguiser. The tests build them whether or not the
# benchmarks are.
include_guard(GLOBAL)

add_library(codetwin_bench_inputs ${CMAKE_CURRENT_LIST_DIR}/generate.cpp)
target_include_directories(codetwin_bench_inputs PUBLIC ${PROJECT_SOURCE_DIR})

# Disguised copies of real C sources, and classes made of them.
add_library(codetwin_disguise
  ${CMAKE_CURRENT_LIST_DIR}/c_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/c_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renaming.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statement_points.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/own_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/padding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/partial_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disguise.cpp
  ${CMAKE_CURRENT_LIST_DIR}/class_maker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/byte_files.cpp)
target_link_libraries(codetwin_disguise PUBLIC codetwin_bench_inputs codetwin_lexer
                      PRIVATE codetwin_platform)
