/* Keeps the VM-variable sections whole, after .data, with bound symbols. */
SECTIONS
{
  .vmdata : ALIGN(16)
  {
    __vs_vmdata_start = .;
    KEEP(*(.vmdata))
    . = ALIGN(16);
    __vs_vmdata_end = .;
  }
  .vmbss : ALIGN(16)
  {
    __vs_vmbss_start = .;
    KEEP(*(.vmbss))
    . = ALIGN(16);
    __vs_vmbss_end = .;
  }
}
INSERT AFTER .data;
