# Run by CPack after it has put an archive's files together and before it
# packs them: writes SHA256SUMS over every file, in the format sha256sum -c
# reads (the sum, two blanks, the path within the archive), sorted by path.
set(tvb_root ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
file(GLOB_RECURSE tvb_files RELATIVE ${tvb_root} ${tvb_root}/*)
list(REMOVE_ITEM tvb_files SHA256SUMS)
list(SORT tvb_files)
set(tvb_sums "")
foreach(f IN LISTS tvb_files)
  file(SHA256 ${tvb_root}/${f} tvb_sum)
  string(APPEND tvb_sums "${tvb_sum}  ${f}\n")
endforeach()
file(WRITE ${tvb_root}/SHA256SUMS "${tvb_sums}")
