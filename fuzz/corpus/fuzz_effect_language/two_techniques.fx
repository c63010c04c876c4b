/* two textures, two techniques */
texture texture_0;
texture mask;
technique GUI {
    pass P0 {
        blend = one, zero;
        depth_test = on;
        depth_write = on;
        cull = none;
        sampler mask { filter = point, point, none; address = mirror; }
        vertex_shader {{{ void main() { gl_Position = vec4(0.0); } }}}
        pixel_shader {{{ out vec4 p; void main() { p = vec4(1.0); } }}}
    }
    pass P1 {
        blend = dest_color, inv_dest_alpha;
        cull = cw;
        vertex_shader {{{
#version 330 core
void main() { gl_Position = vec4(1.0); }
}}}
        pixel_shader {{{ void main() {} }}}
    }
}
technique Other { pass Only { vertex_shader {{{ x }}} pixel_shader {{{ y }}} } }
