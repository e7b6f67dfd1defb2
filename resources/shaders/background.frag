#version 130
void main() {}
//~
