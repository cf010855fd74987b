# korvo's manual page and bash completion (Linux), written at build time by
# WriteUserDocs.cmake from the built korvo's own help texts and parameter
# table, so that neither can drift from the program:
#   korvo.1.gz              installed as share/man/man1/korvo.1.gz
#   korvo.bash-completion   installed as share/bash-completion/completions/korvo
# korvo.1, the page before compression, stays in the build tree for checking.
if(WIN32 OR NOT TARGET korvo)
    return()
endif()
find_program(KORVO_GZIP gzip REQUIRED)
set(KORVO_MAN_PAGE ${CMAKE_BINARY_DIR}/korvo.1)
set(KORVO_BASH_COMPLETION ${CMAKE_BINARY_DIR}/korvo.bash-completion)
add_custom_command(OUTPUT ${KORVO_MAN_PAGE} ${KORVO_MAN_PAGE}.gz ${KORVO_BASH_COMPLETION}
    COMMAND ${CMAKE_COMMAND} -DKORVO=$<TARGET_FILE:korvo> -DMODULE=$<TARGET_FILE:KorvoEQ>
        -DVERSION=${PROJECT_VERSION} -DCHANGELOG=${PROJECT_SOURCE_DIR}/CHANGELOG.md
        -DMAN=${KORVO_MAN_PAGE} -DCOMPLETION=${KORVO_BASH_COMPLETION} -DGZIP=${KORVO_GZIP}
        -P ${CMAKE_CURRENT_LIST_DIR}/WriteUserDocs.cmake
    DEPENDS korvo KorvoEQ ${CMAKE_CURRENT_LIST_DIR}/WriteUserDocs.cmake ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    COMMENT "Writing korvo's manual page and bash completion from its help texts"
    VERBATIM)
add_custom_target(korvo_user_docs ALL DEPENDS ${KORVO_MAN_PAGE}.gz ${KORVO_BASH_COMPLETION})
install(FILES ${KORVO_MAN_PAGE}.gz DESTINATION share/man/man1 COMPONENT plugin)
install(FILES ${KORVO_BASH_COMPLETION} DESTINATION share/bash-completion/completions RENAME korvo COMPONENT plugin)
