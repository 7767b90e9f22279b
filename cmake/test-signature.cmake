# The test signature of the shipped image (release build). A certificate
# authority and a code-signing certificate are made for this build with
# openssl (valid for ten years; the archive ships the CA's certificate, so
# the signature can be verified where the archive is unpacked, and the keys
# stay behind); osslsigncode signs tvboard.sys with them (Authenticode,
# SHA-256), right after the link, so every test runs the signed image. The signature's digest leaves the image checksum out, so the
# checksum is written again after signing. docs/release.md says how to sign with a
# real certificate.
find_program(TVB_OPENSSL openssl REQUIRED)
find_program(TVB_OSSLSIGNCODE osslsigncode REQUIRED)
set(TVB_SIGNING_DIR ${CMAKE_BINARY_DIR}/test-signature)
set(tvb_ca ${TVB_SIGNING_DIR}/test-ca.pem)
set(tvb_signer ${TVB_SIGNING_DIR}/test-signer.pem)
set(tvb_signer_key ${TVB_SIGNING_DIR}/test-signer.key)
file(MAKE_DIRECTORY ${TVB_SIGNING_DIR})
file(WRITE ${TVB_SIGNING_DIR}/signer.ext
     "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
add_custom_command(OUTPUT ${tvb_ca} ${tvb_signer} ${tvb_signer_key}
  COMMAND ${TVB_OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=tvboard test CA"
          -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign"
          -keyout ${TVB_SIGNING_DIR}/test-ca.key -out ${tvb_ca}
  COMMAND ${TVB_OPENSSL} req -newkey rsa:2048 -nodes -subj "/CN=tvboard test signature"
          -keyout ${tvb_signer_key} -out ${TVB_SIGNING_DIR}/test-signer.csr
  COMMAND ${TVB_OPENSSL} x509 -req -in ${TVB_SIGNING_DIR}/test-signer.csr -CA ${tvb_ca}
          -CAkey ${TVB_SIGNING_DIR}/test-ca.key -set_serial 1 -days 3650
          -extfile ${TVB_SIGNING_DIR}/signer.ext -out ${tvb_signer}
  COMMENT "Throw-away test CA and code-signing certificate" VERBATIM)

set(TVB_SIGN_DEPENDS ${tvb_ca} ${tvb_signer} ${tvb_signer_key})
# The CA's certificate, which the Windows archive ships.
set(TVB_TEST_CA ${tvb_ca})

# tvb_signing_commands(image var): the commands that sign the image in place,
# for the end of its link command, in var.
function(tvb_signing_commands image var)
  get_filename_component(name ${image} NAME)
  set(signed ${TVB_SIGNING_DIR}/${name})
  set(${var}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${signed}
    COMMAND ${TVB_OSSLSIGNCODE} sign -certs ${tvb_signer} -key ${tvb_signer_key} -h sha256
            -n "tvboard TV tuner board module" -in ${image} -out ${signed}
    COMMAND ${CMAKE_COMMAND} -E rename ${signed} ${image}
    COMMAND ${TVB_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/pe_checksum.py ${image}
    PARENT_SCOPE)
  # The signature checked against the test CA (the image checks of
  # sys_image run on the signed image too, its checksum among them).
  add_test(NAME tvboard_sys_signature
           COMMAND ${TVB_OSSLSIGNCODE} verify -CAfile ${tvb_ca} -in ${image})
  set_tests_properties(tvboard_sys_signature PROPERTIES
                       PASS_REGULAR_EXPRESSION "Signature verification: ok")
endfunction()
