# The product's version as C/C++ and resource-compiler macros, in a header of
# the build tree that every library and program can include. The text keeps
# the project's spelling ("1.01"); the version resource's numbers are its
# parts read as decimals ("01" is 1).
math(EXPR VELMORA_VERSION_MAJOR "${PROJECT_VERSION_MAJOR}")
math(EXPR VELMORA_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
math(EXPR VELMORA_VERSION_PATCH "0${PROJECT_VERSION_PATCH}")
math(EXPR VELMORA_VERSION_TWEAK "0${PROJECT_VERSION_TWEAK}")
set(VELMORA_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductVersion.h.in ${VELMORA_GENERATED_DIR}/ProductVersion.h @ONLY)
