# lumaro_add_test(NAME name SOURCES ... LIBS ... [KEYRING])
# KEYRING marks tests that use the real Secret Service of the private session;
# they share its entries, so they never run at the same time.
function(lumaro_add_test)
    cmake_parse_arguments(T "KEYRING" "NAME" "SOURCES;LIBS" ${ARGN})
    # While a test is being written its file may not exist yet; CI insists.
    foreach(source ${T_SOURCES})
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source})
            if(DEFINED ENV{CI})
                message(FATAL_ERROR "${T_NAME}: missing ${source}")
            endif()
            message(WARNING "${T_NAME}: ${source} does not exist yet; test skipped")
            return()
        endif()
    endforeach()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_property(TEST ${T_NAME} PROPERTY ENVIRONMENT
        "LUMARO_SERVICE_BIN=$<TARGET_FILE:lumaro-service>" "QT_QPA_PLATFORM=offscreen")
    if(T_KEYRING)
        set_property(TEST ${T_NAME} PROPERTY RESOURCE_LOCK keyring)
    endif()
endfunction()
