/* SPDX-License-Identifier: ISC */
/*
 * Added to the linker's own script: the read-only data go before the text,
 * into the segment of the headers and relocations, so that a static t maps
 * one read-only segment, not two, and the text's segment holds text alone.
 */
SECTIONS
{
	.rodata : { *(.rodata .rodata.* .gnu.linkonce.r.*) }
	.rodata1 : { *(.rodata1) }
	.eh_frame_hdr : { *(.eh_frame_hdr) }
	.eh_frame : { KEEP (*(.eh_frame)) *(.eh_frame.*) }
	.gcc_except_table : { *(.gcc_except_table .gcc_except_table.*) }
}
INSERT AFTER .rela.plt;
