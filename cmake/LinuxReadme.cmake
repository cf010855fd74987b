# Writes the Linux archive's read-me from TEMPLATE into OUTPUT: KORVO_VERSION,
# and for KORVO_REQUIREMENTS what scripts/linux-requirements.sh finds that the
# built KORVO, MODULE, CLAP_MODULE, LV2_MODULE and LV2_UI_MODULE need on a MULTIARCH system.
# Run with -DTEMPLATE=file -DOUTPUT=file -DKORVO_VERSION=x.y.z
# -DMULTIARCH=triplet -DKORVO=file -DMODULE=file -DCLAP_MODULE=file -DLV2_MODULE=file
# -DLV2_UI_MODULE=file.
execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/linux-requirements.sh ${MULTIARCH} ${KORVO} ${MODULE} ${CLAP_MODULE} ${LV2_MODULE} ${LV2_UI_MODULE}
    OUTPUT_VARIABLE KORVO_REQUIREMENTS
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not tell what korvo and the module need")
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
