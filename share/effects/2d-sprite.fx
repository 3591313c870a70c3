# version 120
technique Default {
    pass P0 {
        VertexShader = 2d-sprite.vsh ;
        PixelShader = 2d-sprite.fsh ;
        EnableCulling = FALSE ;
        EnableDepthTest = FALSE ;
        EnableDepthMask = FALSE ;
        EnableBlending = FALSE ;
    }
}
