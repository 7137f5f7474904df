# Installation and the release archive.
#
# Each build installs its DLL, the DLL's assembly manifest and ntfshow under its architecture's
# folder (x86 or x64), and the parts both share: the public header, the host samples and the
# archive's README.txt.
# `cmake --install build/<arch> --prefix DIR` lays one architecture out; the 64-bit build's
# CPack configuration installs both builds into one ZIP, NtfObj-<version>.zip
# (tools/package.sh builds both and makes it).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(NTF_ARCH_FOLDER x64)
else()
  set(NTF_ARCH_FOLDER x86)
endif()
# Installing never builds: the archive wants the shipped targets only, not the test programs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(PROGRAMS $<TARGET_FILE:NtfObj> $<TARGET_FILE:ntfshow> DESTINATION ${NTF_ARCH_FOLDER})
install(FILES ${NTF_DLL_MANIFEST} DESTINATION ${NTF_ARCH_FOLDER})
install(FILES ${CMAKE_SOURCE_DIR}/include/NtfObj.h DESTINATION include)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION examples
  PATTERN CMakeLists.txt EXCLUDE)
# Windows' own editors expect CRLF line ends.
configure_file(${CMAKE_CURRENT_LIST_DIR}/package-readme.txt.in
  ${CMAKE_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)

# The archive comes from the 64-bit build, which knows where the 32-bit one is.
set(NTF_I686_BUILD_DIR "" CACHE PATH "The 32-bit build folder, whose installation the release archive takes too")
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NTF_I686_BUILD_DIR)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME NtfObj)
  set(CPACK_PACKAGE_VENDOR NtfObj)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME NtfObj-${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "In-process COM server that shows notifications")
  # x86/, x64/, include/, examples/ and README.txt at the archive's top.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_INSTALL_CMAKE_PROJECTS
    "${NTF_I686_BUILD_DIR};NtfObj;ALL;/"
    "${CMAKE_BINARY_DIR};NtfObj;ALL;/")
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
  set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
  include(CPack)
endif()
