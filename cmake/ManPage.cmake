# quillveil_add_man_page(NAME SECTION): the manual page NAME.SECTION.in of the
# current folder, written in man(7) roff next to the program NAME it
# describes, gets the version and release date, is compressed as
# distributions want it (reproducibly: no name, no time stamp) and installed
# into manSECTION. It is made with the program, so whatever builds the
# program can install it.
function(quillveil_add_man_page name section)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/${name}.${section})
    configure_file(${name}.${section}.in ${page} @ONLY)
    add_custom_command(
        OUTPUT ${page}.gz
        COMMAND gzip -9nkf ${page}
        DEPENDS ${page}
        VERBATIM)
    add_custom_target(${name}_man_page ALL DEPENDS ${page}.gz)
    add_dependencies(${name} ${name}_man_page)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
