# IDL compilation with widl: a C/C++ header, the interface identifiers and a type library.
find_path(WINE_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(STDOLE_TLB_DIR stdole2.tlb PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT WINE_IDL_DIR OR NOT STDOLE_TLB_DIR)
    message(FATAL_ERROR "Wine's IDL files or stdole2.tlb not found: run scripts/setup")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WIDL_TARGET_FLAG -m64)
else()
    set(WIDL_TARGET_FLAG -m32)
endif()

# widl_type_library(<name> <file.idl>): makes <name>.h, <name>_i.c and <name>.tlb in the current
# binary folder; the variables <name>_HEADER, <name>_IIDS and <name>_TLB name them.
function(widl_type_library name idl)
    set(out ${CMAKE_CURRENT_BINARY_DIR})
    add_custom_command(
        OUTPUT ${out}/${name}.h ${out}/${name}_i.c ${out}/${name}.tlb
        COMMAND ${WIDL} ${WIDL_TARGET_FLAG} -I ${WINE_IDL_DIR} -L ${STDOLE_TLB_DIR}
                -h -H ${out}/${name}.h -u -U ${out}/${name}_i.c -t -T ${out}/${name}.tlb
                ${CMAKE_CURRENT_SOURCE_DIR}/${idl}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${idl}
        COMMENT "widl ${idl}"
        VERBATIM)
    set(${name}_HEADER ${out}/${name}.h PARENT_SCOPE)
    set(${name}_IIDS ${out}/${name}_i.c PARENT_SCOPE)
    set(${name}_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()
