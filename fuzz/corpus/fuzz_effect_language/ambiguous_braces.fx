texture t;
technique GUI {
 pass P {
 vertex_shader {{{ a }}}}
