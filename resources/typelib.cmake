# The type library: compiled from NtfObj.idl with widl for the target's pointer size and
# embedded by typelib.rc, together with the registrar script.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ntf_widl_target --win64)
else()
  set(ntf_widl_target --win32)
endif()
# importlib("stdole2.tlb") is resolved against Wine's own copy (Debian package libwine).
find_path(NTF_STDOLE2_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
        /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT NTF_STDOLE2_DIR)
  message(FATAL_ERROR "stdole2.tlb not found: install Wine's libraries (Debian: libwine), "
                      "or set NTF_STDOLE2_DIR to the folder that holds it")
endif()
set(ntf_tlb ${CMAKE_CURRENT_BINARY_DIR}/NtfObj.tlb)
add_custom_command(OUTPUT ${ntf_tlb}
  COMMAND ${NTF_WIDL} ${ntf_widl_target} -I ${CMAKE_CURRENT_SOURCE_DIR}
          -L ${NTF_STDOLE2_DIR} -t -T ${ntf_tlb}
          ${CMAKE_CURRENT_SOURCE_DIR}/NtfObj.idl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/NtfObj.idl ${CMAKE_CURRENT_SOURCE_DIR}/ntf_base.idl
  COMMENT "Compiling the type library"
  VERBATIM)
add_custom_target(ntf_typelib DEPENDS ${ntf_tlb})
target_sources(ntfres PRIVATE typelib.rc)
add_dependencies(ntfres ntf_typelib)
target_include_directories(ntfres PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
set_source_files_properties(typelib.rc PROPERTIES OBJECT_DEPENDS
  "${ntf_tlb};${CMAKE_CURRENT_SOURCE_DIR}/NtfObj.rgs")
