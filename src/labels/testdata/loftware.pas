*FORMAT,box.lwl
*PRINTER,\\srv\p1

ITEM:"ITEM-1"
Bolt, 10 mm
5
