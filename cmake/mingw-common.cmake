include(${CMAKE_CURRENT_LIST_DIR}/find_tool.cmake)

# The cross tools of NTF_TRIPLET (Debian names their packages ...-i686 and ...-x86-64).
string(REGEX REPLACE "-.*" "" ntf_cpu ${NTF_TRIPLET})
string(REPLACE "_" "-" ntf_cpu ${ntf_cpu})
ntf_find_tool(NTF_CXX_PATH ${NTF_TRIPLET}-g++-posix g++-mingw-w64-${ntf_cpu}-posix)
ntf_find_tool(NTF_RC_PATH  ${NTF_TRIPLET}-windres   binutils-mingw-w64-${ntf_cpu})
ntf_find_tool(NTF_OBJDUMP  ${NTF_TRIPLET}-objdump   binutils-mingw-w64-${ntf_cpu})
ntf_find_tool(NTF_WIDL     ${NTF_TRIPLET}-widl      mingw-w64-tools)

# The -posix compilers: GoogleTest needs std::mutex, which the win32 thread model lacks.
set(CMAKE_C_COMPILER   ${NTF_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NTF_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${NTF_TRIPLET}-windres)

# The target's headers and libraries: PREFIX/TRIPLET beside the compilers' PREFIX/bin.
get_filename_component(ntf_prefix ${NTF_CXX_PATH} DIRECTORY)
get_filename_component(ntf_prefix ${ntf_prefix} DIRECTORY)
set(CMAKE_FIND_ROOT_PATH ${ntf_prefix}/${NTF_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
